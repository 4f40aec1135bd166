#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks, the tools and the Python
# module need. Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config
  libabsl-dev libtbb-dev libnanoflann-dev libmetis-dev libspdlog-dev libcli11-dev zlib1g-dev
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pytest
)

# Optional: the tests of the Python module's meshio interop run when it is installed.
if apt-cache show python3-meshio >/dev/null 2>&1; then packages+=(python3-meshio); fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: every package is already installed"
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"
