# SPDX-License-Identifier: MIT
"""Fixtures of the Python tests: the C++ reference program and the project's sample data."""
import json
import os
import pathlib
import subprocess

import pytest

SOURCE_DIR = pathlib.Path(
    os.environ.get("VEYRA_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2])
)


@pytest.fixture
def reference():
    """Runs operation_reference (the same operation through the C++ API) and returns its JSON."""
    program = os.environ.get("VEYRA_REFERENCE")
    if not program:
        pytest.skip("VEYRA_REFERENCE does not name the operation_reference program")

    def run(*arguments):
        done = subprocess.run(
            [program, *map(str, arguments)], capture_output=True, text=True, check=False
        )
        assert done.returncode == 0, done.stderr
        return json.loads(done.stdout)

    return run


@pytest.fixture
def data_dir():
    """examples/data of the project."""
    return SOURCE_DIR / "examples" / "data"
