#!/bin/bash
# How much of the module a fuzz corpus reaches: builds the fuzz targets with
# source coverage (fuzz-coverage preset), runs every input of the corpora
# in build/fuzz/corpus once, and prints llvm-cov's report for src/.
#
#   fuzz/coverage.sh [TARGET...]        (default: entries routines)
set -euo pipefail
cd "$(dirname "$0")/.."
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(entries routines)

cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage -j "$(nproc)" >/dev/null
build=build/fuzz-coverage
rm -rf "$build/profiles"
mkdir -p "$build/profiles"
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    [ -d "$corpus" ] || { echo "no corpus $corpus: run fuzz/run.sh first" >&2; exit 1; }
    echo "== $target: $(ls "$corpus" | wc -l) inputs"
    LLVM_PROFILE_FILE="$build/profiles/$target-%p-%m.profraw" \
        "$build/qelfin_fuzz_$target" -runs=0 "$corpus" >"$build/profiles/$target.log" 2>&1
done
llvm-profdata-14 merge -sparse "$build"/profiles/*.profraw -o "$build/profiles/all.profdata"
llvm-cov-14 report "$build/libqelfin.so" -instr-profile="$build/profiles/all.profdata" \
    "$PWD/src" | sed "s|$PWD/||"
