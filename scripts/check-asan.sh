#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (no
# benchmarks) and runs the whole test suite there. Any report fails the run.
# Usage: scripts/check-asan.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-asan}

# -O1 keeps the sanitized tests quick and the compilation shorter than with full optimisation;
# -g1 gives file and line numbers in the reports without the cost of full debug information.
# The Debug type leaves the internal assertions on. Warnings are not errors here: the normal
# build enforces them, and g++ reports false "may be used uninitialized" in instrumented code
# (in libstdc++'s regex, for one).
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DVEYRA_SANITIZE="address;undefined" -DVEYRA_WERROR=OFF -DVEYRA_BUILD_BENCHMARKS=OFF
cmake --build "$build_dir"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build_dir" --output-on-failure -j2
