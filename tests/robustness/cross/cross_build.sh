#!/bin/bash
# The two builds against each other: generates the cross-build table, runs it
# through the x86-64 and the i386 stand-in hosts (the latter under qemu-i386
# where the kernel cannot run 32-bit programs) and compares the results.
#
#   cross_build.sh X64-BUILD-DIR I386-BUILD-DIR WORK-DIR [CALLS]
#
# The table is made from the seed corpus, fuzz/seeds/*.txt.  Exits 77 (CTest: skipped) when the i386 build is absent.
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
