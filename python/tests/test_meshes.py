# SPDX-License-Identifier: MIT
"""Meshes from numpy arrays and back, their attributes, tables and files."""
import numpy as np
import pytest

import veyra
from support import box_tetrahedra, grid_2d

CUBE = np.array(
    [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]],
    dtype=float,
)


def _square(dimension):
    points = np.array([[0, 0], [1, 0], [1, 1], [0, 1], [2, 0], [2, 1]], dtype=float)
    if dimension == 3:
        points = np.hstack([points, np.full((6, 1), 0.5)])
    return points


@pytest.mark.parametrize(
    "make, elements, type_name",
    [
        (lambda: veyra.PointSet(_square(2)), None, "PointSet2D"),
        (lambda: veyra.PointSet(_square(3)), None, "PointSet3D"),
        (lambda: veyra.EdgedCurve(_square(2), [[0, 1], [1, 2]]), "edges", "EdgedCurve2D"),
        (lambda: veyra.EdgedCurve(_square(3), [[0, 1], [1, 2]]), "edges", "EdgedCurve3D"),
        (
            lambda: veyra.SurfaceMesh(_square(3), [[0, 1, 2], [0, 2, 3]]),
            "polygons",
            "TriangulatedSurface3D",
        ),
        (
            lambda: veyra.SurfaceMesh(_square(2), [[0, 1, 2, 3], [1, 4, 5, 2]]),
            "polygons",
            "PolygonalSurface2D",
        ),
        (lambda: veyra.SolidMesh(CUBE, [[0, 1, 3, 4], [1, 2, 3, 6]]), "polyhedra", "TetrahedralSolid3D"),
        (lambda: veyra.SolidMesh(CUBE, [range(8)]), "polyhedra", "PolyhedralSolid3D"),
        (lambda: veyra.SolidMesh(CUBE, [[0, 1, 2, 4, 5, 6]]), "polyhedra", "PolyhedralSolid3D"),
        (lambda: veyra.SolidMesh(CUBE, [[0, 1, 2, 3, 6]]), "polyhedra", "PolyhedralSolid3D"),
    ],
)
def test_numpy_mesh_numpy_round_trip(make, elements, type_name):
    mesh = make()
    assert mesh.type_name == type_name
    assert not mesh.is_view
    dimension = int(type_name[-2])
    assert mesh.dimension == dimension
    expected_points = _square(dimension) if "Solid" not in type_name else CUBE
    np.testing.assert_array_equal(mesh.points, expected_points)
    assert mesh.points.dtype == np.float64
    if elements is not None:
        array = getattr(mesh, elements)
        assert array.dtype == np.uint32
        rebuilt = type(mesh)(mesh.points, array)
        np.testing.assert_array_equal(getattr(rebuilt, elements), array)
        assert rebuilt.type_name == type_name


def test_flat_polygons_and_polyhedra_round_trip():
    points = _square(3)
    surface = veyra.SurfaceMesh.from_polygons(points, [0, 1, 2, 3, 1, 4, 2], [0, 4, 7], name="s")
    assert surface.type_name == "PolygonalSurface3D" and surface.name == "s"
    np.testing.assert_array_equal(surface.polygon_vertices, [0, 1, 2, 3, 1, 4, 2])
    np.testing.assert_array_equal(surface.polygon_offsets, [0, 4, 7])
    with pytest.raises(ValueError, match="different vertex counts"):
        surface.polygons
    # polygon 0 shares its edge 1 (1 -> 2) with polygon 1's edge 2 (2 -> 1).
    np.testing.assert_array_equal(surface.polygon_adjacents, [veyra.NO_ID, 1] + [veyra.NO_ID] * 3 + [veyra.NO_ID, 0])

    # A hexahedron next to a prism, rebuilt from the flat facet layout the solid gives back.
    points = np.vstack([CUBE, [[2, 0, 0], [2, 0, 1]]])
    mixed = veyra.SolidMesh.from_polyhedra(
        points,
        [0, 1, 2, 3, 4, 5, 6, 7, 1, 8, 2, 5, 9, 6],
        [0, 8, 14],
        [0, 3, 2, 1, 4, 5, 6, 7, 0, 1, 5, 4, 1, 2, 6, 5, 2, 3, 7, 6, 3, 0, 4, 7,
         0, 2, 1, 3, 4, 5, 0, 1, 4, 3, 1, 2, 5, 4, 2, 0, 3, 5],
        [0, 4, 8, 12, 16, 20, 24, 27, 30, 34, 38, 42],
        [0, 6, 11],
    )
    facets = mixed.polyhedron_facets()
    again = veyra.SolidMesh.from_polyhedra(
        mixed.points, mixed.polyhedron_vertices, mixed.polyhedron_offsets, **facets
    )
    np.testing.assert_array_equal(again.polyhedron_vertices, mixed.polyhedron_vertices)
    for key, values in again.polyhedron_facets().items():
        np.testing.assert_array_equal(values, facets[key])
    adjacents = mixed.polyhedron_adjacents
    assert sorted(adjacents[adjacents != veyra.NO_ID].tolist()) == [0, 1]


@pytest.mark.parametrize(
    "values",
    [
        np.array([True, False, True, True]),
        np.array([-3, 0, 7, 2], dtype=np.int8),
        np.array([1, 2, 3, 4], dtype=np.uint16),
        np.array([1, -2, 3, 2**40], dtype=np.int64),
        np.array([0.5, 1.5, -2.0, np.nan], dtype=np.float32),
        np.arange(12, dtype=np.float64).reshape(4, 3),
        np.arange(36, dtype=np.int32).reshape(4, 9),
        np.arange(8, dtype=np.uint32).reshape(4, 2),
    ],
)
def test_attributes_keep_their_values_and_types(values):
    mesh = veyra.PointSet(_square(3)[:4])
    mesh.vertex_attributes["data"] = values
    read = mesh.vertex_attributes["data"]
    assert read.dtype == values.dtype and read.shape == values.shape
    np.testing.assert_array_equal(read, values)
    assert "data" in mesh.vertex_attributes and list(mesh.vertex_attributes) == ["data"]


def test_attribute_assignment_replaces_and_checks():
    mesh = veyra.SolidMesh(CUBE, [[0, 1, 3, 4], [1, 2, 3, 6]])
    table = mesh.polyhedron_attributes
    table["region"] = np.array([1, 2], dtype=np.int32)
    table["region"] = np.array([0.25, 0.5])
    assert table["region"].dtype == np.float64
    del table["region"]
    assert len(table) == 0
    with pytest.raises(KeyError):
        table["region"]
    with pytest.raises(ValueError, match="expected 2 rows"):
        table["region"] = np.array([1, 2, 3])
    with pytest.raises(ValueError, match="5 columns"):
        table["region"] = np.zeros((2, 5))
    with pytest.raises(TypeError, match="cannot be stored"):
        table["region"] = np.array([1j, 2j])


@pytest.mark.parametrize(
    "make, error, message",
    [
        (lambda: veyra.PointSet([[0, 0, np.inf]]), ValueError, "not finite"),
        (lambda: veyra.PointSet(np.zeros((3, 4))), ValueError, r"\(n, 2\) or \(n, 3\)"),
        (lambda: veyra.EdgedCurve(_square(2), [[0, 6]]), ValueError, "out of range"),
        (lambda: veyra.EdgedCurve(_square(2), [[0, -1]]), ValueError, "negative"),
        (lambda: veyra.EdgedCurve(_square(2), [[0.0, 1.0]]), TypeError, "expected integers"),
        (lambda: veyra.SurfaceMesh(_square(2), [[0, 1]]), ValueError, "at least 3"),
        (lambda: veyra.SurfaceMesh.from_polygons(_square(2), [0, 1, 2], [0, 2]), ValueError, "offsets"),
        (lambda: veyra.SolidMesh(CUBE, [[0, 1, 2, 3, 4, 5, 6]]), ValueError, "from_polyhedra"),
        (lambda: veyra.SolidMesh(_square(2), [[0, 1, 2, 3]]), ValueError, r"\(n, 3\)"),
    ],
)
def test_bad_arrays_are_refused(make, error, message):
    with pytest.raises(error, match=message):
        make()


def test_arrays_are_copies():
    points, triangles = grid_2d(2, 2)
    mesh = veyra.SurfaceMesh(points, triangles)
    points[0] = [9, 9]
    read = mesh.points
    read[1] = [7, 7]
    np.testing.assert_array_equal(mesh.points[:2], [[0, 0], [1, 0]])


def test_edge_and_facet_tables():
    points, tetrahedra = box_tetrahedra(1, 1, 1)
    solid = veyra.SolidMesh(points, tetrahedra)
    edges = solid.edges
    assert edges.shape == (19, 2) and np.all(edges[:, 0] < edges[:, 1])
    np.testing.assert_array_equal(solid.edge_ids(edges[:, ::-1]), np.arange(19))
    vertices, offsets = solid.facet_table()
    assert len(offsets) == 12 + 6 + 1  # 12 skin triangles and 6 inner ones
    triangles = vertices.reshape(-1, 3)
    np.testing.assert_array_equal(solid.facet_ids(triangles[:, ::-1]), np.arange(len(triangles)))
    with pytest.raises(ValueError, match="no edge"):
        solid.edge_ids([[0, 0]])

    points, triangles = grid_2d(1, 1)
    surface = veyra.SurfaceMesh(points, triangles)
    np.testing.assert_array_equal(surface.edges, [[0, 1], [1, 3], [0, 3], [2, 3], [0, 2]])


@pytest.mark.parametrize("extension", ["vtu", "vtp", "msh", "off", "obj"])
def test_files_round_trip(tmp_path, extension):
    points, triangles = grid_2d(3, 2)
    points = np.hstack([points, np.zeros((len(points), 1))])
    mesh = veyra.SurfaceMesh(points, triangles)
    mesh.polygon_attributes["gmsh_physical"] = np.arange(len(triangles), dtype=np.int32)
    path = tmp_path / f"grid.{extension}"
    veyra.write_mesh(mesh, str(path))
    read = veyra.read_mesh(str(path))
    assert read.type_name == "TriangulatedSurface3D"
    np.testing.assert_array_equal(read.points, points)
    np.testing.assert_array_equal(read.polygons, triangles)
    if extension in ("vtu", "vtp", "msh"):
        np.testing.assert_array_equal(
            read.polygon_attributes["gmsh_physical"], np.arange(len(triangles))
        )


def test_reading_sample_files(data_dir):
    solid = veyra.read_mesh(str(data_dir / "tet_box.msh"))
    assert solid.is_tetrahedral and solid.nb_polyhedra == 48
    assert set(solid.polyhedron_attributes) == {"gmsh_entity", "gmsh_physical"}
    entities = veyra.read_msh_entities(str(data_dir / "tet_box.msh"))
    assert [entity["dimension"] for entity in entities].count(2) > 0
    legacy = veyra.read_mesh(str(data_dir / "polydata.vtk"))
    assert isinstance(legacy, (veyra.SurfaceMesh, veyra.EdgedCurve, veyra.PointSet))



@pytest.mark.parametrize(
    "file, dimension, type_name, nb_vertices, nb_elements",
    [
        ("cube_ascii.stl", 3, "TriangulatedSurface3D", 8, 12),
        ("cube_binary.stl", 3, "TriangulatedSurface3D", 8, 12),
        ("mixed_cells.vtk", 3, "PolyhedralSolid3D", 12, 4),
        ("polydata.vtk", 3, "PolygonalSurface3D", 11, 4),
        ("box_faces.vtp", 3, "PolygonalSurface3D", 9, 4),
        ("tet_box.vtu", 3, "TetrahedralSolid3D", 27, 48),
        ("box_faces/box_xmax.obj", 3, "TriangulatedSurface3D", 9, 8),
        ("box_faces/box_xmax.off", 3, "PolygonalSurface3D", 9, 4),
        ("square_2d.msh", 2, "TriangulatedSurface2D", 9, 8),
    ],
)
def test_every_read_format(data_dir, file, dimension, type_name, nb_vertices, nb_elements):
    mesh = veyra.read_mesh(str(data_dir / file), dimension=dimension)
    assert (mesh.type_name, mesh.nb_vertices) == (type_name, nb_vertices)
    assert mesh.points.shape == (nb_vertices, dimension)
    if isinstance(mesh, veyra.SolidMesh):
        assert mesh.nb_polyhedra == nb_elements
    else:
        assert len(mesh.polygon_offsets) - 1 == nb_elements
