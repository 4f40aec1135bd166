# SPDX-License-Identifier: MIT
"""Each operation from Python gives the same model and mappings as the C++ API on the same input
(the operation_reference program), plus what a summary cannot show: where elements went."""
import numpy as np
import pytest

import veyra
from support import box_tetrahedra, cube_faces, grid_2d, kinds, model_counts, sizes, topology, two_region_box


def _write(mesh, path):
    veyra.write_mesh(mesh, str(path))
    return path


def _region_box(nx=4, ny=2, nz=2):
    points, tetrahedra, region = two_region_box(nx, ny, nz)
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = region
    return mesh


def _two_block_brep(tmp_path):
    mesh = _region_box()
    facets = veyra.surface_facets_from_attribute(mesh, "region")
    brep, _, _ = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
    path = tmp_path / "two_blocks.tq_brep"
    brep.save(str(path))
    return brep, path


def test_meshes_into_brep(tmp_path, reference):
    surfaces = [veyra.SurfaceMesh(points, triangles) for points, triangles in cube_faces(3)]
    corner = veyra.PointSet(np.array([[0.5, 0.5, 0.5]]))
    files = [_write(mesh, tmp_path / f"face{i}.vtp") for i, mesh in enumerate(surfaces)]
    files.append(_write(corner, tmp_path / "inner_point.vtu"))
    brep, mappings = veyra.convert_meshes_into_brep(point_sets=[corner], surfaces=surfaces)
    assert {"model": model_counts(brep), "mappings": topology(mappings)} == reference(
        "meshes-to-brep", *files
    )
    assert model_counts(brep)["blocks"] == 1 and len(brep.corners) == 9

    # The faces are kept as they are: each is a surface with the face's id and triangles.
    assert sorted(mappings.unchanged_components["Surface"]) == sorted(face.id for face in surfaces)
    for face in surfaces:
        kept = brep.component("Surface", face.id).mesh
        np.testing.assert_array_equal(kept.points[kept.polygons], face.points[face.polygons])


def test_meshes_into_section(tmp_path, reference):
    left = veyra.SurfaceMesh(*grid_2d(2, 2))
    points, triangles = grid_2d(2, 2)
    right = veyra.SurfaceMesh(points + [2.0, 0.0], triangles)
    # A curve along the middle row of the left square's edges cuts it in two.
    cut = veyra.EdgedCurve(np.array([[0.0, 1.0], [1.0, 1.0], [2.0, 1.0]]), [[0, 1], [1, 2]])
    files = [_write(mesh, tmp_path / f"m{i}.vtu") for i, mesh in enumerate([left, right, cut])]
    section, mappings = veyra.convert_meshes_into_section(curves=[cut], surfaces=[left, right])
    expected = reference("meshes-to-section", *files)
    assert {"model": model_counts(section), "mappings": topology(mappings)} == expected
    assert len(section.surfaces) == 3


def test_surface_elements_into_section(tmp_path, reference):
    points, triangles = grid_2d(4, 2)
    mesh = veyra.SurfaceMesh(points, triangles)
    path = _write(mesh, tmp_path / "grid.vtu")
    # A vertical cut at x = 2 from bottom to top, and a corner in the middle of the left half.
    cut = [[2, 7], [7, 12]]
    edges = mesh.edge_ids(cut)
    section, vertices, elements = veyra.convert_surface_elements_into_section(mesh, [6], edges)
    expected = reference("surface-elements-to-section", path, "6", "2-7,7-12")
    result = {"model": model_counts(section), "mappings": {"vertices": sizes(vertices), "elements": kinds(elements)}}
    assert result == expected
    assert len(section.surfaces) == 2
    # Each input triangle went to exactly one surface polygon.
    polygons = elements.surfaces.to_dict()
    assert sorted(np.unique(next(iter(polygons.values()))).tolist()) == list(range(len(triangles)))


def test_surface_into_section_from_attribute(tmp_path, reference):
    points, triangles = grid_2d(4, 2)
    mesh = veyra.SurfaceMesh(points, triangles)
    # Three regions: x < 1, 1 < x < 3 and x > 3.
    centers = points[triangles].mean(axis=1)[:, 0]
    mesh.polygon_attributes["region"] = np.digitize(centers, [1, 3]).astype(np.int32)
    path = _write(mesh, tmp_path / "regions.vtu")
    section, vertices, elements = veyra.convert_surface_into_section_from_attribute(mesh, "region")
    result = {"model": model_counts(section), "mappings": {"vertices": kinds(vertices), "elements": kinds(elements)}}
    assert result == reference("surface-to-section", path, "region")
    assert len(section.surfaces) == 3
    # Each input triangle went to a polygon of the surface of its region.
    region = mesh.polygon_attributes["region"]
    surface_of_region = {}
    for triangle in range(len(triangles)):
        (surface_id, _), = elements.surfaces.in2out((mesh.id, triangle))
        assert surface_of_region.setdefault(region[triangle], surface_id) == surface_id
    assert len(set(surface_of_region.values())) == 3
    with pytest.raises(veyra.VeyraError, match="Attribute not found") as raised:
        veyra.convert_surface_into_section_from_attribute(mesh, "missing")
    assert raised.value.type == "input"


def test_solid_elements_into_brep(tmp_path, reference):
    mesh = _region_box()
    path = _write(mesh, tmp_path / "box.vtu")
    facets = veyra.surface_facets_from_attribute(mesh, "region")
    brep, vertices, elements = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
    result = {
        "surface_facets": len(facets),
        "model": model_counts(brep),
        "mappings": {"vertices": sizes(vertices), "elements": kinds(elements)},
    }
    assert result == reference("solid-to-brep", path, "region")
    # Every tetrahedron went to a block polyhedron on its side of x = 1/2.
    region = mesh.polyhedron_attributes["region"]
    for tetrahedron in (0, len(region) - 1):
        (block_id, polyhedron), = elements.blocks.in2out(tetrahedron)
        block = brep.component("Block", block_id).mesh
        center = block.points[block.polyhedra[polyhedron]].mean(axis=0)
        assert (center[0] > 0.5) == bool(region[tetrahedron])


def test_blocks_of_a_model(tmp_path, reference):
    brep, path = _two_block_brep(tmp_path)
    records = veyra.determine_blocks(brep)
    summary = [
        [len(r.boundary_surfaces), len(r.internal_surfaces), len(r.internal_lines), len(r.internal_corners)]
        for r in records
    ]
    assert {"blocks": summary} == reference("determine-blocks", path)
    created = veyra.build_blocks(brep, records)
    assert {"created": len(created), "model": model_counts(brep)} == reference("build-blocks", path)
    assert all(brep.component("Block", id).mesh.nb_polyhedra == 0 for id in created)


def test_brep_from_one_element(tmp_path, reference):
    brep, path = _two_block_brep(tmp_path)
    element = veyra.build_brep_from_brep_element(brep.blocks[1], 5)
    assert {"model": model_counts(element)} == reference("element-to-brep", path, 1, 5)
    assert [len(element.corners), len(element.lines), len(element.surfaces)] == [4, 6, 4]
    with pytest.raises(veyra.VeyraError) as error:
        veyra.build_brep_from_brep_element(brep.blocks[1], 48)
    assert error.value.type == "input"


def test_curve_from_surface_borders(tmp_path, reference):
    points, triangles = grid_2d(3, 2)
    # A notch: the two triangles of the middle cell of the bottom row are left out, so the border
    # runs around that cell instead of along its bottom edge.
    keep = np.ones(len(triangles), bool)
    keep[[1, 7]] = False
    surface = veyra.SurfaceMesh(np.hstack([points, np.zeros((len(points), 1))]), triangles[keep])
    path = _write(surface, tmp_path / "holed.vtu")
    curve = veyra.curve_from_surface_borders(surface)
    assert {"vertices": curve.nb_vertices, "edges": curve.nb_edges} == reference(
        "curve-from-borders", path
    )
    assert curve.nb_edges == 12


def test_validation(tmp_path, reference):
    brep, path = _two_block_brep(tmp_path)
    report = veyra.validate(brep)
    kinds_found = [problem.kind for problem in report.problems]
    expected = reference("validate", path)
    assert {"errors": report.nb_errors, "warnings": report.nb_warnings, "kinds": kinds_found} == expected
    assert report.is_valid


def _cube_surface(n):
    """The six faces of cube_faces(n) as one closed triangulated surface."""
    faces = cube_faces(n)
    points = np.vstack([points for points, _ in faces])
    offsets = np.cumsum([0] + [len(points) for points, _ in faces[:-1]])
    triangles = np.vstack([triangles + offset for (_, triangles), offset in zip(faces, offsets)])
    unique, inverse = np.unique(np.round(points, 9), axis=0, return_inverse=True)
    return veyra.SurfaceMesh(unique, inverse.ravel()[triangles])


def _square_section():
    section, _ = veyra.convert_meshes_into_section(surfaces=[veyra.SurfaceMesh(*grid_2d(3, 3))])
    return section


@pytest.mark.parametrize(
    "make, extension, sharp",
    [
        # The cube's edges meet at 90 degrees: 12 lines and 8 corners; flat triangles stay.
        (lambda: veyra.convert_meshes_into_brep(surfaces=[_cube_surface(3)])[0], "tq_brep", [8, 12, 6]),
        # The square's border bends at its four corners.
        (_square_section, "tq_sctn", [4, 4, 1]),
    ],
)
def test_sharp_features_added_and_removed(tmp_path, reference, make, extension, sharp):
    model = make()
    before = [len(model.corners), len(model.lines), len(model.surfaces)]
    path = tmp_path / f"model.{extension}"
    model.save(str(path))
    mappings = veyra.add_sharp_features(model, 120.0)
    assert {"model": model_counts(model), "mappings": topology(mappings)} == reference(
        "sharp-features", path, 120
    )
    assert [len(model.corners), len(model.lines), len(model.surfaces)] == sharp
    names = [c.name for c in model.corner_collections + model.line_collections]
    assert "sharp_collection" in names
    assert veyra.validate(model).is_valid

    model.save(str(path))
    mappings = veyra.remove_sharp_features(model)
    assert {"model": model_counts(model), "mappings": topology(mappings)} == reference(
        "sharp-features", path, "remove"
    )
    assert [len(model.corners), len(model.lines), len(model.surfaces)] == before


def test_segmentation_added_and_removed(tmp_path, reference):
    points, tetrahedra = box_tetrahedra(2, 2, 1)
    brep, _, _ = veyra.convert_solid_elements_into_brep(veyra.SolidMesh(points, tetrahedra))
    path = tmp_path / "one_block.tq_brep"
    brep.save(str(path))
    added = veyra.add_brep_segmentation(brep)
    result = {"added": {"model": model_counts(brep), "mappings": topology(added)}}
    pieces = len(brep.blocks)
    if pieces > 1:
        for block in brep.blocks:
            assert "segmentation_id" in block.mesh.polyhedron_attributes
    removed = veyra.remove_brep_segmentation(brep)
    result["removed"] = {"model": model_counts(brep), "mappings": topology(removed)}
    assert result == reference("segmentation", path)
    assert len(brep.blocks) == 1 and veyra.validate(brep).is_valid


def test_rebuilder_cuts_along_a_surface_and_along_block_facets(tmp_path, reference):
    brep, path = _two_block_brep(tmp_path)
    shared = [i for i, s in enumerate(brep.surfaces) if len(brep.incidences(s)) == 2]
    rebuilder = veyra.BRepTopologyRebuilder(brep)
    rebuilder.remove_conformity_on_model_surface(brep.surfaces[shared[0]])
    rebuilt, mappings = rebuilder.rebuild()
    assert {"model": model_counts(rebuilt), "mappings": topology(mappings)} == reference(
        "rebuild", path, shared[0], "-", "-"
    )
    # The interface's 3 x 3 vertices are now doubled, one copy per side.
    assert rebuilt.nb_unique_vertices == brep.nb_unique_vertices + 9
    with pytest.raises(ValueError, match="already"):
        rebuilder.rebuild()

    # One block cut by registering the facets of its mesh that lie on x = 1/2.
    points, tetrahedra = box_tetrahedra(4, 2, 2)
    whole, _, _ = veyra.convert_solid_elements_into_brep(veyra.SolidMesh(points, tetrahedra))
    path = tmp_path / "whole.tq_brep"
    whole.save(str(path))
    block = whole.blocks[0].mesh
    on_plane = block.points[:, 0][block.polyhedra] == 0.5
    # A tetrahedron's facet f is the one opposite its vertex f.
    pairs = [(p, f) for p, f in zip(*np.nonzero(on_plane.sum(axis=1, keepdims=True) - on_plane == 3))]
    facets = np.array(pairs)
    rebuilder = veyra.BRepTopologyRebuilder(whole)
    rebuilder.add_block_facets_to_topology(whole.blocks[0], facets)
    rebuilt, mappings = rebuilder.rebuild()
    text = ",".join(f"{p}-{f}" for p, f in pairs)
    assert {"model": model_counts(rebuilt), "mappings": topology(mappings)} == reference(
        "rebuild", path, "-", 0, text
    )
    assert len(rebuilt.blocks) == 2 and len(rebuilt.surfaces) == 3


def test_rebuilder_refuses_a_surface_of_another_model(tmp_path):
    brep, _ = _two_block_brep(tmp_path)
    other = veyra.convert_meshes_into_brep(surfaces=[_cube_surface(1)])[0]
    rebuilder = veyra.BRepTopologyRebuilder(brep)
    with pytest.raises(veyra.VeyraError) as raised:
        rebuilder.remove_conformity_on_model_surface(other.surfaces[0])
    error = raised.value
    assert error.type == "internal"
    assert error.message == (
        "[BRepTopologyRebuilder::remove_conformity_on_model_surface] Cannot remove conformity: "
        "Surface is not part of initial BRep."
    )
    np.testing.assert_array_equal(error.point, other.surfaces[0].mesh.points[0])
