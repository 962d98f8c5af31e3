#!/bin/bash
# cross_build.sh X64-BUILD I386-BUILD WORK-DIR [CALLS]: the cross-build table
# (fuzz/README.md) run on both builds and compared; exits 77 (skipped) without an i386 build.
set -euo pipefail
x64=$1 i386=$2 work=$3 calls=${4:-300000}

run32="$i386/tests/robustness/qelfin_crossrun"
if [ ! -x "$run32" ] || [ ! -f "$i386/libqelfin.so" ]; then
    echo "SKIP: no i386 build in $i386; build it first (cmake --preset i386 && cmake --build build/i386)"
    exit 77
fi
emulator=()
if ! grep -q '^QELFIN_I386_RUNS_NATIVELY:BOOL=ON' "$i386/CMakeCache.txt" 2>/dev/null; then
    qemu=$(sed -n 's/^QELFIN_QEMU_I386:FILEPATH=//p' "$i386/CMakeCache.txt")
    emulator=("${qemu:-qemu-i386}")
fi

mkdir -p "$work"
seeds=$(cd "$(dirname "$0")/../../../fuzz/seeds" && pwd)
"$x64/tests/robustness/qelfin_crossgen" "$calls" 20240611 "$seeds"/*.txt > "$work/table.txt"
"$x64/tests/robustness/qelfin_crossrun" "$work/table.txt" > "$work/x64.txt"
"${emulator[@]}" "$run32" "$work/table.txt" > "$work/i386.txt"
echo "ran the table on both builds${emulator:+ (i386 under ${emulator[0]})} in $SECONDS s"
"$x64/tests/robustness/qelfin_crosscmp" "$work/table.txt" "$work/x64.txt" "$work/i386.txt"
