#!/bin/sh
# Prints the non-blank lines of test code, of all other source, and the
# share of tests in the whole: test / (test + other).  The share should stay
# at most 0.35 as the project grows.
#
# Test code: tests/, fuzz/ (not its seeds or the inputs it failed on),
# postgres/sql/*.sql and postgres test scripts and checks (the cross-check,
# the catalogue check), python/tests/.  Other source:
# src, include, host, tools, bench, scripts, cmake, .ci, postgres, python and
# the top-level CMakeLists.txt and CMakePresets.json.  Source files are C, C++, assembly, shell,
# Python, SQL, CMake files and export maps; expected outputs, data, seeds and
# corpora are not code.  Folders that do not exist yet count as empty.
set -eu
cd "$(dirname "$0")/.."

# Source files under the given folders (those that exist), one per line.
sources() {
    for dir in "$@"; do
        [ -e "$dir" ] || continue
        find "$dir" \( -name seeds -o -name regressions -o -name corpus -o -name expected -o -name results \
                       -o -name __pycache__ -o -name build \) -prune -o -type f \
             \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' -o -name '*.S' \
                -o -name '*.s' -o -name '*.sh' -o -name '*.py' -o -name '*.sql' -o -name '*.cmake' \
                -o -name CMakeLists.txt -o -name CMakePresets.json -o -name '*.map' -o -path '.ci/*' \) -print
    done
}

# Test scripts of components that keep them among their own sources.
is_test() {
    case "$1" in
        postgres/sql/*.sql | postgres/test* | postgres/*/test* | postgres/*check* | python/tests/* | python/*/tests/*) return 0 ;;
    esac
    return 1
}

count() { if [ -n "$1" ]; then printf '%s\n' "$1" | tr '\n' '\0' | xargs -0 cat | grep -c '[^[:space:]]' || true; else echo 0; fi; }

test_files=$(sources tests fuzz)
other_files=""
for f in $(sources src include host tools bench scripts cmake .ci postgres python CMakeLists.txt CMakePresets.json); do
    if is_test "$f"; then test_files="$test_files
$f"; else other_files="$other_files
$f"; fi
done
test_files=$(printf '%s\n' "$test_files" | sed '/^$/d')
other_files=$(printf '%s\n' "$other_files" | sed '/^$/d')

test_lines=$(count "$test_files")
other_lines=$(count "$other_files")
echo "test code:    $test_lines non-blank lines"
echo "other source: $other_lines non-blank lines"
awk -v t="$test_lines" -v o="$other_lines" 'BEGIN { printf "share:        %.4f\n", (t + o) ? t / (t + o) : 0 }'
