# SPDX-License-Identifier: MIT
"""Times a region-tagged tetrahedral box turned into a BRep from numpy arrays, to compare with
the C++ benchmark BM_ConvertSolidElementsIntoBRep (bench/solid_elements_bench.cpp) on the same
mesh: the unit box cut into n x n x nz cells of six tetrahedra, region 1 where x > 1/2.

    PYTHONPATH=build/python python3 python/bench/convert_solid_elements.py [n nz [repetitions]]

Prints, per repetition, the seconds of the operation alone (surface facets from the attribute,
then the conversion: what solid_elements_bench times) and of the whole path from the numpy
arrays (mesh and attribute built from the arrays, then the operation: what
solid_elements_from_arrays_bench times), as wall-clock time and as CPU time of the whole process
(every thread, steadier on a loaded machine), and the medians.
"""
import pathlib
import statistics
import sys
import time

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests"))
import veyra  # noqa: E402
from support import two_region_box  # noqa: E402


def _now():
    return time.perf_counter(), time.process_time()


def run_once(points, tetrahedra, region):
    """(operation wall, from-arrays wall, operation CPU, from-arrays CPU) in seconds."""
    start = _now()
    mesh = veyra.SolidMesh(points, tetrahedra)
    mesh.polyhedron_attributes["region"] = region
    built = _now()
    facets = veyra.surface_facets_from_attribute(mesh, "region")
    brep, vertices, elements = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
    done = _now()
    if [len(brep.blocks), len(brep.surfaces), len(brep.lines)] != [2, 3, 1]:
        raise RuntimeError(f"unexpected model {brep}")
    del brep, vertices, elements, mesh
    return done[0] - built[0], done[0] - start[0], done[1] - built[1], done[1] - start[1]


def main():
    n, nz = (int(sys.argv[1]), int(sys.argv[2])) if len(sys.argv) > 2 else (56, 54)
    repetitions = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    points, tetrahedra, region = two_region_box(n, n, nz)
    tetrahedra = tetrahedra.astype(np.uint32)
    print(f"{len(tetrahedra)} tetrahedra, {len(points)} points")
    runs = []
    for repetition in range(repetitions):
        runs.append(run_once(points, tetrahedra, region))
        print("run {}: operation {:.3f} s, from arrays {:.3f} s (CPU {:.3f} s, {:.3f} s)".format(
            repetition, *runs[-1]))
    medians = [statistics.median(column) for column in zip(*runs)]
    print("median: operation {:.3f} s, from arrays {:.3f} s (CPU {:.3f} s, {:.3f} s)".format(*medians))


if __name__ == "__main__":
    main()
