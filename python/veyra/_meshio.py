# SPDX-License-Identifier: MIT
"""Conversions between veyra meshes and meshio meshes (python3-meshio), built on numpy arrays."""
import numpy as np

from . import _veyra

# meshio cell types of fixed size, by dimension, and what they become. Volume cells are in
# Gmsh's vertex order, which meshio uses for these linear cells.
_SOLID_CELLS = {"tetra": 4, "pyramid": 5, "wedge": 6, "hexahedron": 8}
_SURFACE_CELLS = {"triangle": 3, "quad": 4}
_CELL_TYPES_BY_SIZE = {4: "tetra", 5: "pyramid", 6: "wedge", 8: "hexahedron"}


def _cell_dimension(cell_type):
    if cell_type in _SOLID_CELLS or cell_type == "polyhedron":
        return 3
    if cell_type in _SURFACE_CELLS or cell_type.startswith("polygon"):
        return 2
    if cell_type == "line":
        return 1
    if cell_type == "vertex":
        return 0
    raise ValueError(f"meshio cell type {cell_type!r} has no veyra counterpart")


def _points(mesh, dimension):
    points = np.asarray(mesh.points, dtype=np.float64)
    if dimension is None:
        dimension = points.shape[1]
    if dimension == 2 and points.shape[1] == 3:
        if np.any(points[:, 2] != 0):
            raise ValueError("dimension=2 needs points with z = 0")
        points = points[:, :2]
    return np.ascontiguousarray(points), dimension


def from_meshio(mesh, dimension=None, name=None):
    """A veyra mesh from a meshio.Mesh.

    The cell blocks of the highest dimension give a SolidMesh (tetra, pyramid, wedge,
    hexahedron; only tetra gives a tetrahedral solid), a SurfaceMesh (triangle, quad, polygon),
    an EdgedCurve (line) or, without cells, a PointSet; lower-dimensional blocks are left out.
    point_data become vertex attributes and the cell_data of the kept blocks element
    attributes (one value per cell, blocks concatenated in order). dimension=2 drops a z
    column of zeros; by default the points' column count decides.
    """
    points, dimension = _points(mesh, dimension)
    blocks = [(block, index) for index, block in enumerate(mesh.cells)]
    top = max((_cell_dimension(block.type) for block, _ in blocks), default=0)
    kept = [(block, index) for block, index in blocks if _cell_dimension(block.type) == top]
    arrays = [np.asarray(block.data, dtype=np.int64) for block, _ in kept]

    if top == 3:
        if dimension != 3:
            raise ValueError("volume cells need 3D points")
        sizes = {array.shape[1] for array in arrays}
        if len(sizes) == 1:
            result = _veyra.SolidMesh(points, np.concatenate(arrays), name=name)
        else:
            result = _mixed_solid(points, arrays, name)
        elements = result.polyhedron_attributes
    elif top == 2:
        sizes = {array.shape[1] for array in arrays}
        if len(sizes) == 1:
            result = _veyra.SurfaceMesh(points, np.concatenate(arrays), name=name)
        else:
            vertices = np.concatenate([array.ravel() for array in arrays])
            counts = np.concatenate([np.full(len(array), array.shape[1]) for array in arrays])
            offsets = np.concatenate([[0], np.cumsum(counts)])
            result = _veyra.SurfaceMesh.from_polygons(points, vertices, offsets, name=name)
        elements = result.polygon_attributes
    elif top == 1:
        result = _veyra.EdgedCurve(points, np.concatenate(arrays), name=name)
        elements = result.edge_attributes
    else:
        result = _veyra.PointSet(points, name=name)
        elements = None

    for key, values in mesh.point_data.items():
        result.vertex_attributes[key] = np.asarray(values)
    if elements is not None:
        for key, per_block in mesh.cell_data.items():
            values = [np.asarray(per_block[index]) for _, index in kept]
            elements[key] = np.concatenate(values)
    return result


def _mixed_solid(points, arrays, name):
    """A polyhedral solid from cell blocks of different fixed kinds, their facets laid out with
    numpy (no Python loop over cells)."""
    facet_templates = _fixed_cell_facets()
    vertices, offsets, facet_vertices, facet_offsets, polyhedron_facet_offsets = [], [], [], [], []
    for array in arrays:
        size = array.shape[1]
        facets = facet_templates[size]
        count = len(array)
        vertices.append(array.ravel())
        offsets.append(np.full(count, size))
        template = np.concatenate(facets)
        facet_vertices.append(np.tile(template, count))
        facet_offsets.append(np.tile([len(facet) for facet in facets], count))
        polyhedron_facet_offsets.append(np.full(count, len(facets)))

    def rising(counts):
        return np.concatenate([[0], np.cumsum(np.concatenate(counts))])

    return _veyra.SolidMesh.from_polyhedra(
        points,
        np.concatenate(vertices),
        rising(offsets),
        np.concatenate(facet_vertices),
        rising(facet_offsets),
        rising(polyhedron_facet_offsets),
        name=name,
    )


def _fixed_cell_facets():
    return {
        4: [[1, 2, 3], [0, 3, 2], [0, 1, 3], [0, 2, 1]],
        5: [[0, 3, 2, 1], [0, 1, 4], [1, 2, 4], [2, 3, 4], [3, 0, 4]],
        6: [[0, 2, 1], [3, 4, 5], [0, 1, 4, 3], [1, 2, 5, 4], [2, 0, 3, 5]],
        8: [[0, 3, 2, 1], [4, 5, 6, 7], [0, 1, 5, 4], [1, 2, 6, 5], [2, 3, 7, 6], [3, 0, 4, 7]],
    }


def _blocks_of(offsets, vertices, fixed_types):
    """Cell blocks (type, array) from flat elements: consecutive elements of one size form one
    block, so that the element order, and the attributes' rows, are kept."""
    sizes = np.diff(offsets)
    if len(sizes) == 0:
        return []
    starts = np.concatenate([[0], np.flatnonzero(np.diff(sizes)) + 1, [len(sizes)]])
    blocks = []
    for begin, end in zip(starts[:-1], starts[1:]):
        size = int(sizes[begin])
        cell_type = fixed_types.get(size)
        if cell_type is None:
            raise ValueError(f"elements of {size} vertices have no meshio cell type here")
        data = vertices[offsets[begin] : offsets[end]].reshape(-1, size)
        blocks.append((cell_type, data, begin, end))
    return blocks


def to_meshio(mesh):
    """A meshio.Mesh from a veyra mesh (or a component's mesh view), with its vertex and
    element attributes as point_data and cell_data.

    Points are 3D (z = 0 for 2D meshes). Tetrahedra, pyramids, prisms ("wedge") and hexahedra
    of a solid keep Gmsh's vertex order (other polyhedra raise ValueError); polygons become
    "triangle", "quad" or "polygon<n>" blocks, consecutive elements of one size sharing a block.
    Requires meshio (python3-meshio).
    """
    import meshio

    points = mesh.points
    if points.shape[1] == 2:
        points = np.hstack([points, np.zeros((len(points), 1))])
    if isinstance(mesh, _veyra.SolidMesh):
        offsets, vertices = mesh.polyhedron_offsets, mesh.polyhedron_vertices
        blocks = _blocks_of(offsets, vertices, _CELL_TYPES_BY_SIZE)
        elements = mesh.polyhedron_attributes
    elif isinstance(mesh, _veyra.SurfaceMesh):
        offsets, vertices = mesh.polygon_offsets, mesh.polygon_vertices
        types = {size: f"polygon{size}" for size in np.unique(np.diff(offsets))}
        types.update({3: "triangle", 4: "quad"})
        blocks = _blocks_of(offsets, vertices, types)
        elements = mesh.polygon_attributes
    elif isinstance(mesh, _veyra.EdgedCurve):
        edges = mesh.edges
        blocks = [("line", edges, 0, len(edges))] if len(edges) else []
        elements = mesh.edge_attributes
    elif isinstance(mesh, _veyra.PointSet):
        blocks, elements = [], None
    else:
        raise TypeError("expected a veyra mesh")

    cells = [meshio.CellBlock(cell_type, data.astype(np.int64)) for cell_type, data, _, _ in blocks]
    point_data = {key: mesh.vertex_attributes[key] for key in mesh.vertex_attributes}
    cell_data = {}
    if elements is not None and blocks:
        for key in elements:
            values = elements[key]
            cell_data[key] = [values[begin:end] for _, _, begin, end in blocks]
    return meshio.Mesh(points, cells, point_data=point_data, cell_data=cell_data)
