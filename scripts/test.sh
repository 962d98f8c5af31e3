#!/bin/bash
# Builds the module, the stand-in host, qelhost, the tests and the
# benchmarks for the three presets (x64, i386, x64-asan) and runs every test.
# The i386 tests run under qemu-i386 where the kernel cannot run them; the
# x64 tests include the comparison of the two builds on the cross-build
# table.  Then the robustness checks: the thread test under ThreadSanitizer
# (x64-tsan) and each fuzz target for a bounded time (fuzz preset, clang;
# QELFIN_FUZZ_SECONDS per target, default 60).
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

echo "== x64-tsan: the thread test under ThreadSanitizer"
cmake --preset x64-tsan >/dev/null
cmake --build --preset x64-tsan -j "$(nproc)"
ctest --preset x64-tsan || status=1

echo "== fuzz: each target for ${QELFIN_FUZZ_SECONDS:-60} s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
bash fuzz/run.sh -t "${QELFIN_FUZZ_SECONDS:-60}" || status=1

echo "== the share of test code"
bash scripts/test-share.sh
exit $status
