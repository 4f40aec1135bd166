# SPDX-License-Identifier: MIT
"""The tour of python/README.md runs as written and prints and writes what the README says."""
import contextlib
import io
import os
import re

from conftest import SOURCE_DIR


def test_readme_tour_runs_as_written(tmp_path, monkeypatch):
    readme = (SOURCE_DIR / "python" / "README.md").read_text()
    code = re.search(r"```python\n(.*?)```", readme, re.S).group(1)
    printed_claim = re.search(r"It prints `([^`]*)`", readme).group(1)
    monkeypatch.chdir(tmp_path)
    output = io.StringIO()
    with contextlib.redirect_stdout(output):
        exec(compile(code, "README tour", "exec"), {})
    assert output.getvalue().strip() == printed_claim
    written = sorted(os.listdir(tmp_path / "cube"))
    assert written == ["Block_0.vtu", "Block_1.vtu", "Line_0.vtp"] + [
        f"Surface_{i}.vtu" for i in range(3)
    ]
    assert (tmp_path / "cube.vtm").read_text().count("<DataSet") == len(written)
