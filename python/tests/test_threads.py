# SPDX-License-Identifier: MIT
"""Long operations release the GIL: a second Python thread keeps running while they work."""
import threading
import time

import pytest

import veyra
from support import cube_faces, two_region_box


def _solid_conversion():
    points, tetrahedra, region = two_region_box(32, 32, 32)
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = region

    def run():
        facets = veyra.surface_facets_from_attribute(mesh, "region")
        brep, _, _ = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
        return len(brep.blocks) == 2

    return run


def _meshes_conversion():
    surfaces = [veyra.SurfaceMesh(points, triangles) for points, triangles in cube_faces(120)]

    def run():
        brep, _ = veyra.convert_meshes_into_brep(surfaces=surfaces)
        return len(brep.blocks) == 1 and len(brep.lines) == 12

    return run


def _validation():
    brep, _ = veyra.convert_meshes_into_brep(
        surfaces=[veyra.SurfaceMesh(points, triangles) for points, triangles in cube_faces(120)]
    )
    return lambda: veyra.validate(brep).is_valid


@pytest.mark.parametrize("prepare", [_solid_conversion, _meshes_conversion, _validation])
def test_another_thread_runs_during_a_long_operation(prepare):
    operation = prepare()
    outcome = {}

    def work():
        outcome["result"] = operation()

    worker = threading.Thread(target=work)
    ticks_while_released = 0
    worker.start()
    deadline = time.monotonic() + 120
    # This thread counts its own loop turns made while a library call runs without the GIL;
    # with the GIL held by the call, it could not turn at all until the call ended.
    while worker.is_alive() and time.monotonic() < deadline:
        if veyra._veyra._calls_without_gil() > 0:
            ticks_while_released += 1
    worker.join()
    assert outcome["result"] is True
    assert ticks_while_released > 0
    assert veyra._veyra._calls_without_gil() == 0
