#!/bin/bash
# Builds the module, the stand-in host, qelhost, the tests and the
# benchmarks for the three presets (x64, i386, x64-asan) and runs every test.
# The i386 tests run under qemu-i386 where the kernel cannot run them; the
# x64 tests include the comparison of the two builds on the cross-build
# table.  Then the robustness checks: the thread test under ThreadSanitizer
# (x64-tsan) and each fuzz target for a bounded time (fuzz preset, clang;
# QELFIN_FUZZ_SECONDS per target, default 60).  Then the Python package:
# installed in a fresh venv as users install it, then its pytest suite.
# Last the PostgreSQL extension: installed (root), its SQL tests and
# cross-check on a throwaway server, and the sharding check on a small data
# set.
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

echo "== the main job: scripts/demo.sh on the example data"
bash scripts/demo.sh > build/demo.log 2>&1 || { cat build/demo.log; status=1; }

echo "== x64-tsan: the thread test under ThreadSanitizer"
cmake --preset x64-tsan >/dev/null
cmake --build --preset x64-tsan -j "$(nproc)"
ctest --preset x64-tsan || status=1

echo "== fuzz: each target for ${QELFIN_FUZZ_SECONDS:-60} s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
bash fuzz/run.sh -t "${QELFIN_FUZZ_SECONDS:-60}" || status=1
echo "== python: install in a fresh venv and run pytest"
bash scripts/test_python.sh || status=1

echo "== postgres: SQL tests, cross-check and sharding check"
if bash scripts/pg.sh install; then
    bash postgres/run-tests.sh || status=1
    QELFIN_SHARD_LOANS=20000 QELFIN_SHARD_PROJECTS=400 bash scripts/pg-shards.sh || status=1
else
    status=1
fi

echo "== the share of test code"
bash scripts/test-share.sh
exit $status
