# SPDX-License-Identifier: MIT
"""Models from Python: components and their mesh views, relationships, unique vertices, files."""
import gc
import pathlib

import numpy as np
import pytest

import veyra
from support import cube_faces, grid_2d, two_region_box


def make_two_blocks():
    """The unit box cut at x = 1/2 into two blocks with block meshes."""
    points, tetrahedra, region = two_region_box(4, 2, 2)
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = region
    facets = veyra.surface_facets_from_attribute(mesh, "region")
    brep, _, _ = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
    return brep


@pytest.fixture
def two_blocks():
    return make_two_blocks()


def test_components_and_their_mesh_views(two_blocks):
    brep = two_blocks
    assert [len(brep.corners), len(brep.lines), len(brep.surfaces), len(brep.blocks)] == [0, 1, 3, 2]
    for block in brep.blocks:
        assert block.type == "Block" and block.active and block.name is None
        assert brep.component("Block", block.id) == block
        mesh = block.mesh
        assert mesh.is_view and mesh.is_tetrahedral and mesh.nb_polyhedra == 48
        # Every block polyhedron lies on one side of x = 1/2.
        centers = mesh.points[mesh.polyhedra].mean(axis=1)[:, 0]
        assert np.all(centers < 0.5) or np.all(centers > 0.5)
    assert brep.model_boundaries[0].mesh is None
    with pytest.raises(KeyError):
        brep.component("Block", brep.surfaces[0].id)

    view = brep.surfaces[0].mesh
    with pytest.raises(ValueError, match="copy"):
        view.name = "renamed"
    with pytest.raises(ValueError, match="copy"):
        veyra.surface_facets_from_attribute(brep.blocks[0].mesh, "region")
    own = view.copy()
    assert not own.is_view and own.id != view.id
    np.testing.assert_array_equal(own.polygons, view.polygons)
    own.name = "renamed"
    assert own.name == "renamed"


def test_views_keep_their_model_alive():
    brep = make_two_blocks()
    mesh = brep.blocks[0].mesh
    component = brep.surfaces[1]
    del brep
    gc.collect()
    assert mesh.nb_polyhedra == 48
    assert component.model.blocks[0].mesh.nb_polyhedra == 48


def test_relationships(two_blocks):
    brep = two_blocks
    shared = [surface for surface in brep.surfaces if len(brep.incidences(surface)) == 2]
    assert len(shared) == 1
    for block in brep.blocks:
        assert shared[0] in brep.boundaries(block)
        assert all(surface.type == "Surface" for surface in brep.boundaries(block))
    line = brep.lines[0]
    assert set(brep.incidences(line)) == set(brep.surfaces)
    boundary = brep.model_boundaries[0]
    assert set(brep.items(boundary)) == set(brep.surfaces) - set(shared)
    assert brep.collections(brep.items(boundary)[0]) == [boundary]
    relations = brep.relations()
    assert (line, shared[0], "boundary") in relations
    assert all(kind in ("boundary", "internal", "item") for _, _, kind in relations)


def test_unique_vertices_tie_equal_points(two_blocks):
    brep = two_blocks
    assert brep.nb_unique_vertices == 5 * 3 * 3
    for component in brep.surfaces + brep.blocks + brep.lines:
        ties = brep.component_unique_vertices(component)
        assert len(ties) == component.mesh.nb_vertices and np.all(ties != veyra.NO_ID)
    block = brep.blocks[0]
    points = block.mesh.points
    unique = brep.unique_vertex(block, 3)
    for component, vertex in brep.component_mesh_vertices(unique):
        np.testing.assert_array_equal(component.mesh.points[vertex], points[3])
        assert brep.unique_vertex(component, vertex) == unique
    with pytest.raises(ValueError, match="another model"):
        other, _ = veyra.convert_meshes_into_brep(surfaces=[veyra.SurfaceMesh(*cube_faces(1)[0])])
        brep.unique_vertex(other.surfaces[0], 0)


def test_files(two_blocks, tmp_path):
    brep = two_blocks
    assert brep.save(str(tmp_path / "box.tq_brep")) == [str(tmp_path / "box.tq_brep")]
    loaded = veyra.BRep.load(str(tmp_path / "box.tq_brep"))
    assert repr(loaded) == repr(brep)
    assert [block.id for block in loaded.blocks] == [block.id for block in brep.blocks]
    np.testing.assert_array_equal(loaded.blocks[1].mesh.polyhedra, brep.blocks[1].mesh.polyhedra)
    files = brep.write_vtm(str(tmp_path / "box.vtm"))
    assert files[-1] == str(tmp_path / "box.vtm")
    assert {pathlib.Path(file).name for file in files[:-1]} == {
        "Line_0.vtp", "Surface_0.vtu", "Surface_1.vtu", "Surface_2.vtu", "Block_0.vtu", "Block_1.vtu"
    }
    with pytest.raises(veyra.VeyraError):
        veyra.Section.load(str(tmp_path / "box.tq_brep"))


def test_section_model(tmp_path):
    points, triangles = grid_2d(2, 2)
    section, mappings = veyra.convert_meshes_into_section(
        surfaces=[veyra.SurfaceMesh(points, triangles, name="square")]
    )
    assert isinstance(section, veyra.Section)
    assert len(section.surfaces) == 1 and section.surfaces[0].name == "square"
    assert section.surfaces[0].mesh.dimension == 2
    assert not hasattr(section, "blocks")
    section.save(str(tmp_path / "square.tq_sctn"))
    assert repr(veyra.Section.load(str(tmp_path / "square.tq_sctn"))) == repr(section)
