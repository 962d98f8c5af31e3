#!/bin/bash
# Checks a built module: it exports exactly the names listed in the given
# file, and at run time needs no library but libc and libm.
# usage: check_library.sh libqelfin.so exported_symbols.txt
set -eu
lib=$1
expected=$2
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
wanted=$(grep -v '^#' "$expected" | sort)
if [ "$actual" != "$wanted" ]; then
    echo "exported names differ from the list (< exported, > listed):"
    diff <(echo "$actual") <(echo "$wanted") || true
    exit 1
fi
needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
for n in $needed; do
    case $n in
        libc.so.6|libm.so.6) ;;
        *) echo "the module needs $n at run time"; exit 1 ;;
    esac
done
echo "exports: $(echo "$actual" | wc -l) names as listed; needs: ${needed:-nothing}"
