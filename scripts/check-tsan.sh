#!/usr/bin/env bash
# Builds the project with ThreadSanitizer in build-tsan/ (no benchmarks, no tools) and runs the
# whole test suite there: the parallel helpers, trees and searches, the attribute cut of a 2D
# mesh, the block meshes of solid conversions and of the topology rebuilder, sharp features,
# segmentation and the determinism test all run their loops on every core of the machine. Any
# report fails the run. ThreadSanitizer does not see the synchronisation inside the prebuilt TBB
# runtime, so in this build the parallel helpers run their jobs on threads of their own, whose
# start, join and counters it does see (parallel.h).
# Usage: scripts/check-tsan.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-tsan}

# As in check-asan.sh: -O1 with line tables, assertions on, warnings not errors.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DVEYRA_SANITIZE=thread -DVEYRA_WERROR=OFF -DVEYRA_BUILD_BENCHMARKS=OFF -DVEYRA_BUILD_TOOLS=OFF
cmake --build "$build_dir"

export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
ctest --test-dir "$build_dir" --output-on-failure -j2
