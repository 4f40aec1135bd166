#!/usr/bin/env bash
# The end-to-end performance suite: builds bench/pipeline_bench in Release in its own build
# directory, runs every operation at every size in a process of its own (so that each peak
# memory figure belongs to one operation), and prints one table with the growth exponent of each
# operation between consecutive sizes: log(time ratio) / log(size ratio), from the wall time and
# from the CPU time of the process (the CPU figure is the steadier one on a loaded machine).
#
# Usage: bench/run.sh [--build-dir DIR] [--sizes "100000 1000000 4000000"] [--skip-largest]
#                     [--no-build]
# The largest size runs only when the memory available looks sufficient (four times the peak
# of the previous size, with a margin); --skip-largest leaves it out altogether.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="$source_dir/build-bench"
sizes=(100000 1000000 4000000)
skip_largest=0
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    --sizes) read -r -a sizes <<< "$2"; shift 2 ;;
    --skip-largest) skip_largest=1; shift ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done
if [ "$skip_largest" = 1 ] && [ ${#sizes[@]} -gt 1 ]; then
  unset 'sizes[${#sizes[@]}-1]'
fi

# Operation names as the benchmark program knows them, in table order.
operations=(
  convert_meshes_into_brep
  convert_surface_into_section_from_attribute
  convert_solid_elements_into_brep_2_regions
  convert_solid_elements_into_brep_20_regions
  add_sharp_features
  add_brep_segmentation
  rebuild
  save_brep
  load_brep
  save_section
  load_section
)

if [ "$build" = 1 ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVEYRA_BUILD_TESTS=OFF -DVEYRA_BUILD_TOOLS=OFF > /dev/null
  cmake --build "$build_dir" --target pipeline_bench -j "$(nproc)" > /dev/null
fi
program="$build_dir/bench/pipeline_bench"
known=$("$program" --benchmark_list_tests)

# Memory available now, in MiB.
available_mib() { awk '/^MemAvailable:/ { print int($2 / 1024) }' /proc/meminfo; }

echo "machine: $(nproc) cores, $(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)," \
  "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
format="%-46s %9s %9s %9s %12s %10s %9s %9s\n"
# shellcheck disable=SC2059
printf "$format" operation elements wall_s cpu_s elements/s peak_MiB exp_wall exp_cpu
for operation in "${operations[@]}"; do
  if ! grep -q "^BM_$operation/" <<< "$known"; then
    # shellcheck disable=SC2059
    printf "$format" "$operation" - - - - - missing -
    continue
  fi
  previous_elements=""
  previous_seconds=""
  previous_peak=""
  for size in "${sizes[@]}"; do
    if ! grep -q "^BM_$operation/$size/" <<< "$known"; then
      # shellcheck disable=SC2059
      printf "$format" "$operation" "$size" - - - - "no size" -
      continue
    fi
    if [ -n "$previous_peak" ] && [ "$size" = "${sizes[-1]}" ]; then
      needed=$(awk -v p="$previous_peak" -v a="$size" -v b="$previous_size" \
        'BEGIN { print int(p * a / b * 1.25) }')
      if [ "$needed" -gt "$(available_mib)" ]; then
        # shellcheck disable=SC2059
        printf "$format" "$operation" "$size" - - - "~$needed" "no memory" -
        continue
      fi
    fi
    line=$(nice "$program" --benchmark_filter="^BM_$operation/$size/" --benchmark_format=csv \
      2> /dev/null | tail -n 1) || line=""
    # name,iterations,real_time,cpu_time,time_unit,...,error_occurred,error_message,elements,peak
    read -r elements seconds cpu_seconds peak error <<< "$(awk -F, '
      $1 == "name" || NF < 12 { print "- - - - failed"; exit }
      {
        scale = $5 == "ms" ? 1e-3 : ($5 == "us" ? 1e-6 : ($5 == "ns" ? 1e-9 : 1))
        error = $9 == "true" ? "error" : "ok"
        printf "%d %.3f %.3f %.0f %s\n", $11, $3 * scale, $4 * scale, $12, error
      }' <<< "$line")"
    if [ -z "$line" ] || [ "$error" != ok ]; then
      # shellcheck disable=SC2059
      printf "$format" "$operation" "$size" - - - - "${error:-failed}" -
      continue
    fi
    rate=$(awk -v n="$elements" -v t="$seconds" 'BEGIN { printf "%.0f", (t > 0 ? n / t : 0) }')
    exponent="-"
    cpu_exponent="-"
    if [ -n "$previous_seconds" ]; then
      growth() {
        awk -v n0="$previous_elements" -v t0="$1" -v n1="$elements" -v t1="$2" \
          'BEGIN { printf "%.2f", log(t1 / t0) / log(n1 / n0) }'
      }
      exponent=$(growth "$previous_seconds" "$seconds")
      cpu_exponent=$(growth "$previous_cpu_seconds" "$cpu_seconds")
    fi
    # shellcheck disable=SC2059
    printf "$format" "$operation" "$elements" "$seconds" "$cpu_seconds" "$rate" "$peak" "$exponent" "$cpu_exponent"
    previous_elements=$elements
    previous_seconds=$seconds
    previous_cpu_seconds=$cpu_seconds
    previous_peak=$peak
    previous_size=$size
  done
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
