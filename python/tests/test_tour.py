# SPDX-License-Identifier: MIT
"""The tour of python/README.md runs as written and prints and writes what the README says;
every public name of the package is documented."""
import contextlib
import inspect
import io
import os
import re

import veyra
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


def _described(doc):
    """Whether a docstring says something beyond the signature pybind11 puts on its first line."""
    return len([line for line in (doc or "").strip().splitlines() if line.strip()]) >= 2


def test_every_public_name_has_a_docstring():
    undocumented = []
    for name in (n for n in dir(veyra) if not n.startswith("_")):
        value = getattr(veyra, name)
        if inspect.ismodule(value) or not callable(value):
            continue
        if not inspect.isclass(value):
            if not _described(value.__doc__):
                undocumented.append(name)
            continue
        if not (value.__doc__ or "").strip():
            undocumented.append(name)
        for attribute, member in vars(value).items():
            if attribute.startswith("_"):
                continue
            if isinstance(member, property):
                documented = bool((member.__doc__ or "").strip())
            else:
                documented = _described(getattr(member, "__doc__", None))
            if not documented:
                undocumented.append(f"{name}.{attribute}")
    assert undocumented == []
