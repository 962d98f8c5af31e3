#!/bin/bash
# Builds the module, the stand-in host, qelhost, the tests and the
# benchmarks for the three presets (x64, i386, x64-asan) and runs every test.
# The i386 tests run under qemu-i386 where the kernel cannot run them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

presets=(x64 i386 x64-asan)
for preset in "${presets[@]}"; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
done
status=0
for preset in "${presets[@]}"; do
    echo "== $preset: test"
    ctest --preset "$preset" || status=1
done
exit $status
