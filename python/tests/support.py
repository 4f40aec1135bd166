# SPDX-License-Identifier: MIT
"""Meshes generated with numpy for the tests, and the summaries of models and mappings that the
C++ program operation_reference prints, computed from the Python objects."""
import numpy as np

# The six tetrahedra of a cell, walking from its smallest corner along the axes in each order;
# an odd order gives a negative volume, fixed by swapping the last two vertices.
_AXIS_ORDERS = [
    ((0, 1, 2), False),
    ((0, 2, 1), True),
    ((1, 0, 2), True),
    ((1, 2, 0), False),
    ((2, 0, 1), False),
    ((2, 1, 0), True),
]


def box_tetrahedra(nx, ny, nz):
    """The unit box cut into nx x ny x nz cells of six tetrahedra each (the same split in every
    cell): points numbered x fastest, tetrahedra cell by cell, all of positive volume."""
    z, y, x = np.meshgrid(np.arange(nz + 1), np.arange(ny + 1), np.arange(nx + 1), indexing="ij")
    points = np.stack([x / nx, y / ny, z / nz], axis=-1).reshape(-1, 3)
    cz, cy, cx = np.meshgrid(np.arange(nz), np.arange(ny), np.arange(nx), indexing="ij")
    cells = np.stack([cx, cy, cz], axis=-1).reshape(-1, 3)

    def vertex(corner):
        return (corner[:, 2] * (ny + 1) + corner[:, 1]) * (nx + 1) + corner[:, 0]

    tetrahedra = []
    for axes, odd in _AXIS_ORDERS:
        corner = cells.copy()
        vertices = [vertex(corner)]
        for axis in axes:
            corner[:, axis] += 1
            vertices.append(vertex(corner))
        tetrahedron = np.stack(vertices, axis=1)
        if odd:
            tetrahedron[:, [2, 3]] = tetrahedron[:, [3, 2]]
        tetrahedra.append(tetrahedron)
    return points, np.stack(tetrahedra, axis=1).reshape(-1, 4)


def two_region_box(nx, ny, nz):
    """box_tetrahedra with a region per tetrahedron: 1 where its barycenter has x > 1/2."""
    points, tetrahedra = box_tetrahedra(nx, ny, nz)
    region = (points[tetrahedra].mean(axis=1)[:, 0] > 0.5).astype(np.int32)
    return points, tetrahedra, region


def grid_2d(nx, ny):
    """[0, nx] x [0, ny] cut into 2 nx ny counterclockwise triangles, points numbered x fastest."""
    y, x = np.meshgrid(np.arange(ny + 1), np.arange(nx + 1), indexing="ij")
    points = np.stack([x, y], axis=-1).reshape(-1, 2).astype(float)
    cy, cx = np.meshgrid(np.arange(ny), np.arange(nx), indexing="ij")
    v00 = (cy * (nx + 1) + cx).ravel()
    v10, v01, v11 = v00 + 1, v00 + nx + 1, v00 + nx + 2
    triangles = np.concatenate([np.stack([v00, v10, v11], 1), np.stack([v00, v11, v01], 1)])
    return points, triangles


def cube_faces(n):
    """The six faces of the unit cube as (points, triangles) pairs of n x n grids, oriented
    outwards; points on shared cube edges are equal from one face to the next."""
    faces = []
    t = np.arange(n + 1) / n
    for axis in range(3):
        u_axis, v_axis = [a for a in range(3) if a != axis]
        for side in (0.0, 1.0):
            v, u = np.meshgrid(t, t, indexing="ij")
            points = np.zeros(((n + 1) ** 2, 3))
            points[:, axis] = side
            points[:, u_axis] = u.ravel()
            points[:, v_axis] = v.ravel()
            cv, cu = np.meshgrid(np.arange(n), np.arange(n), indexing="ij")
            p00 = (cv * (n + 1) + cu).ravel()
            p10, p01, p11 = p00 + 1, p00 + n + 1, p00 + n + 2
            triangles = np.concatenate([np.stack([p00, p10, p11], 1), np.stack([p00, p11, p01], 1)])
            a, b, c = (points[triangles[:, k]] for k in range(3))
            normal = np.cross(b - a, c - a)[:, axis]
            outwards = normal > 0 if side == 1.0 else normal < 0
            triangles[~outwards] = triangles[~outwards][:, [0, 2, 1]]
            faces.append((points, triangles))
    return faces


def model_counts(model):
    """The counts operation_reference prints for a model."""
    counts = {
        "corners": len(model.corners),
        "lines": len(model.lines),
        "surfaces": len(model.surfaces),
        "model_boundaries": len(model.model_boundaries),
        "unique_vertices": model.nb_unique_vertices,
    }
    if hasattr(model, "blocks"):
        counts["blocks"] = len(model.blocks)
    return counts


def sizes(mapping):
    """[inputs, outputs, pairs] of one mapping; the pairs are counted from to_dict()."""
    columns = mapping.to_dict()
    pairs = len(next(iter(columns.values())))
    return [mapping.size_in, mapping.size_out, pairs]


def kinds(mappings):
    result = {kind: sizes(getattr(mappings, kind)) for kind in ("corners", "lines", "surfaces")}
    if hasattr(mappings, "blocks"):
        result["blocks"] = sizes(mappings.blocks)
    return result


def topology(mappings):
    """The summary operation_reference prints for a BRepMappings or SectionMappings."""

    def counted(ids_by_type):
        return {kind: len(ids) for kind, ids in ids_by_type.items()}

    return {
        "component_mappings": {
            kind: sizes(mapping) for kind, mapping in mappings.component_mappings.items()
        },
        "created_components": counted(mappings.created_components),
        "removed_components": counted(mappings.removed_components),
        "unchanged_components": counted(mappings.unchanged_components),
        "mesh_elements": kinds(mappings.mesh_elements),
        "mesh_vertices": kinds(mappings.mesh_vertices),
    }
