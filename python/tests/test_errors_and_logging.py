# SPDX-License-Identifier: MIT
"""The library's errors as VeyraError with their message and type, and its log lines on the
"veyra" logger, at the level that logger asks for."""
import logging

import numpy as np
import pytest

import veyra
from support import two_region_box


def _region_box():
    points, tetrahedra, region = two_region_box(4, 2, 2)
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = region
    return mesh


@pytest.mark.parametrize(
    "call, message",
    [
        (
            lambda tmp: veyra.surface_facets_from_attribute(_region_box(), "missing"),
            "[surface_facets_from_attribute] Attribute not found",
        ),
        (lambda tmp: veyra.read_mesh(str(tmp / "absent.vtu")), "[read_mesh]"),
        (lambda tmp: veyra.BRep.load(str(tmp / "absent.tq_brep")), ""),
    ],
)
def test_library_errors_carry_message_and_type(tmp_path, call, message):
    with pytest.raises(veyra.VeyraError) as raised:
        call(tmp_path)
    error = raised.value
    assert isinstance(error, Exception)
    assert error.message.startswith(message) and str(error) == error.message
    assert error.type == "input"
    assert error.point is None


def test_broken_file_is_an_input_error(tmp_path):
    path = tmp_path / "broken.off"
    path.write_text("OFF\n3 1 0\n0 0 0\n1 0 0\n")
    with pytest.raises(veyra.VeyraError) as raised:
        veyra.read_mesh(str(path))
    assert raised.value.type == "input" and raised.value.library


def test_log_lines_reach_the_veyra_logger_at_its_level(caplog):
    with caplog.at_level(logging.DEBUG, logger="veyra"):
        mesh = _region_box()
        facets = veyra.surface_facets_from_attribute(mesh, "region")
        brep, _, _ = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
        debug = [r for r in caplog.records if r.name == "veyra" and r.levelno == logging.DEBUG]
        assert any("0 corners, 1 lines, 3 surfaces, 2 blocks" in r.getMessage() for r in debug)
        # Trace lines sit below DEBUG: the library does not even write them.
        assert all(r.levelno >= logging.DEBUG for r in caplog.records)

    caplog.clear()
    with caplog.at_level(logging.WARNING, logger="veyra"):
        _, _, _ = veyra.convert_solid_elements_into_brep(
            _region_box(), surface_facets=veyra.surface_facets_from_attribute(_region_box(), "region")
        )
        assert veyra.build_blocks(brep) == []
    assert [(r.levelno, r.getMessage()) for r in caplog.records] == [
        (logging.WARNING, "[build_blocks] Cannot build BRep blocks without surface or with existing blocks")
    ]

    caplog.clear()
    with caplog.at_level(veyra.TRACE, logger="veyra"):
        veyra.convert_solid_elements_into_brep(
            _region_box(), surface_facets=veyra.surface_facets_from_attribute(_region_box(), "region")
        )
    assert any(r.levelno == veyra.TRACE and r.levelname == "TRACE" for r in caplog.records)
