#!/bin/bash
# Installs what building and testing qelfin needs on a Debian machine:
# compilers for both builds (g++-multilib for -m32), qemu-user to run the
# i386 tests where the kernel cannot, CMake and Ninja, GoogleTest sources,
# Google Benchmark, the binary tools the export check uses, and CLI11 (the
# header-only command-line parser of qelhost, used by both builds); for the
# Python package, Debian's Python with pybind11, numpy, pandas, Dask and
# its distributed scheduler, pytest and venv, matplotlib for its pictures;
# headless Chromium with its driver and Selenium for the test that opens
# qelhost's SVG pictures; PostgreSQL 15 with its server headers and
# postgres_fdw for the extension.
# Run as root it installs what is missing; otherwise it says what to install.
set -euo pipefail

packages=(cmake ninja-build g++ gcc g++-multilib qemu-user binutils googletest libbenchmark-dev clang libclang-rt-14-dev libcli11-dev
          python3 python3-dev python3-venv python3-pip python3-setuptools python3-wheel python3-pybind11
          python3-numpy python3-pandas python3-pytest python3-matplotlib
          python3-dask python3-distributed
          chromium chromium-driver python3-selenium
          postgresql-15 postgresql-server-dev-15 postgresql-contrib postgresql-common)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "qelfin needs these Debian packages: ${missing[*]}" >&2
    echo "install them with: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "installing: ${missing[*]}" >&2
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
