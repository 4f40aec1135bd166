# SPDX-License-Identifier: MIT
"""meshio interop: veyra meshes to meshio meshes and back, through meshio's own files."""
import numpy as np
import pytest

import veyra
from support import box_tetrahedra, grid_2d

meshio = pytest.importorskip("meshio")

CUBE = np.array(
    [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]],
    dtype=float,
)


def _tetrahedra():
    points, tetrahedra = box_tetrahedra(2, 1, 1)
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = np.arange(len(tetrahedra), dtype=np.int32)
    mesh.vertex_attributes["height"] = points[:, 2].copy()
    return mesh


def _mixed_surface():
    points = np.array([[0, 0], [1, 0], [1, 1], [0, 1], [2, 0], [2, 1], [3, 0.5]], dtype=float)
    mesh = veyra.SurfaceMesh.from_polygons(points, [0, 1, 2, 3, 1, 4, 2, 4, 6, 5, 2], [0, 4, 7, 11])
    mesh.polygon_attributes["tag"] = np.array([1.5, 2.5, 3.5])
    return mesh


def _hexahedron_and_prism():
    points = np.vstack([CUBE, [[2, 0, 0], [2, 0, 1]]])
    cells = [
        meshio.CellBlock("hexahedron", np.array([[0, 1, 2, 3, 4, 5, 6, 7]])),
        meshio.CellBlock("wedge", np.array([[1, 8, 2, 5, 9, 6]])),
    ]
    return veyra.from_meshio(meshio.Mesh(points, cells, cell_data={"gmsh:physical": [[7], [8]]}))


def _curve():
    points, _ = grid_2d(2, 1)
    curve = veyra.EdgedCurve(points, [[0, 1], [1, 2], [2, 5]])
    curve.edge_attributes["weight"] = np.array([1, 2, 3], dtype=np.int64)
    return curve


@pytest.mark.parametrize(
    "make, elements, attributes",
    [
        (_tetrahedra, "polyhedron_vertices", "polyhedron_attributes"),
        (_mixed_surface, "polygon_vertices", "polygon_attributes"),
        (_hexahedron_and_prism, "polyhedron_vertices", "polyhedron_attributes"),
        (_curve, "edges", "edge_attributes"),
    ],
)
def test_round_trip_through_a_meshio_file(tmp_path, make, elements, attributes):
    mesh = make()
    path = tmp_path / "mesh.vtu"
    meshio.write(str(path), veyra.to_meshio(mesh))
    back = veyra.from_meshio(meshio.read(str(path)), dimension=mesh.dimension)
    assert back.type_name == mesh.type_name
    np.testing.assert_array_equal(back.points, mesh.points)
    np.testing.assert_array_equal(getattr(back, elements), getattr(mesh, elements))
    for table in ("vertex_attributes", attributes):
        source, read = getattr(mesh, table), getattr(back, table)
        assert set(read) == set(source)
        for key in source:
            np.testing.assert_array_equal(read[key], source[key])


def test_mixed_cells_become_a_polyhedral_solid_that_converts():
    mesh = _hexahedron_and_prism()
    assert mesh.type_name == "PolyhedralSolid3D" and mesh.nb_polyhedra == 2
    np.testing.assert_array_equal(mesh.polyhedron_attributes["gmsh:physical"], [7, 8])
    facets = veyra.surface_facets_from_attribute(mesh, "gmsh:physical")
    brep, _, _ = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
    assert len(brep.blocks) == 2 and veyra.validate(brep).is_valid


def test_lower_dimensional_cells_are_left_out_and_unknown_ones_refused():
    points = np.vstack([CUBE[:4], [[0.5, 0.5, 0]]])
    cells = [
        meshio.CellBlock("line", np.array([[0, 1]])),
        meshio.CellBlock("triangle", np.array([[0, 1, 4], [1, 2, 4]])),
    ]
    surface = veyra.from_meshio(meshio.Mesh(points, cells), dimension=2)
    assert surface.type_name == "TriangulatedSurface2D" and len(surface.polygons) == 2
    with pytest.raises(ValueError, match="no veyra counterpart"):
        veyra.from_meshio(meshio.Mesh(points, [meshio.CellBlock("quad8", np.arange(8)[None])]))
