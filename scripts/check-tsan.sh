#!/usr/bin/env bash
# Builds the tests that run parallel code with ThreadSanitizer in build-tsan/ and runs them (the
# task pool uses every core of the machine). Any report fails the run.
# Usage: scripts/check-tsan.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-tsan}

# The parallel helpers, trees and searches of the framework; the attribute cut of a 2D mesh;
# the block meshes of a solid conversion and of the topology rebuilder; sharp feature searches
# and segmentation; the determinism test, which runs conversions with one and two threads.
tests=(
  ostrel_basic_test ostrel_geometry_test ostrel_mesh_test
  model_convert_surface_into_section_from_attribute_test
  model_brep_from_solid_elements_test model_brep_topology_rebuilder_test
  model_sharp_features_test model_brep_segmentation_test model_determinism_test
)

# As in check-asan.sh: -O1 with line tables, assertions on, warnings not errors.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DVEYRA_SANITIZE=thread -DVEYRA_WERROR=OFF -DVEYRA_BUILD_BENCHMARKS=OFF -DVEYRA_BUILD_TOOLS=OFF
cmake --build "$build_dir" --target "${tests[@]}"

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
status=0
for test in "${tests[@]}"; do
  binary=$(find "$build_dir" -type f -name "$test" -perm -u+x | head -n 1)
  echo "== $test"
  "$binary" --gtest_brief=1 || status=1
done
exit $status
