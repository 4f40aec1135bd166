# SPDX-License-Identifier: MIT
"""Times a region-tagged tetrahedral box turned into a BRep from numpy arrays, to compare with
the C++ benchmark BM_ConvertSolidElementsIntoBRep (bench/solid_elements_bench.cpp) on the same
mesh: the unit box cut into n x n x nz cells of six tetrahedra, region 1 where x > 1/2.

    PYTHONPATH=build/python python3 python/bench/convert_solid_elements.py [n nz [repetitions]]

Prints, per repetition, the wall-clock seconds of the operation alone (surface facets from the
attribute, then the conversion: what the C++ benchmark times) and of the whole path from the
numpy arrays (mesh and attribute built from the arrays, then the operation), and the medians.
"""
import pathlib
import statistics
import sys
import time

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests"))
import veyra  # noqa: E402
from support import two_region_box  # noqa: E402


def run_once(points, tetrahedra, region):
    start = time.perf_counter()
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = region
    built = time.perf_counter()
    facets = veyra.surface_facets_from_attribute(mesh, "region")
    brep, vertices, elements = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
    done = time.perf_counter()
    if [len(brep.blocks), len(brep.surfaces), len(brep.lines)] != [2, 3, 1]:
        raise RuntimeError(f"unexpected model {brep}")
    del brep, vertices, elements, mesh
    return done - built, done - start


def main():
    n, nz = (int(sys.argv[1]), int(sys.argv[2])) if len(sys.argv) > 2 else (56, 54)
    repetitions = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    points, tetrahedra, region = two_region_box(n, n, nz)
    tetrahedra = tetrahedra.astype(np.uint32)
    print(f"{len(tetrahedra)} tetrahedra, {len(points)} points")
    operations, totals = [], []
    for repetition in range(repetitions):
        operation, total = run_once(points, tetrahedra, region)
        operations.append(operation)
        totals.append(total)
        print(f"run {repetition}: operation {operation:.3f} s, from arrays {total:.3f} s")
    print(
        f"median: operation {statistics.median(operations):.3f} s, "
        f"from arrays {statistics.median(totals):.3f} s"
    )


if __name__ == "__main__":
    main()
