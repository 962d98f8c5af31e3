#!/bin/bash
# fuzz/run.sh [-t SECONDS per target, 60] [-w WORKERS per target] [TARGET...]:
# the libFuzzer targets of the fuzz preset; corpora, failing inputs and logs
# are kept in build/fuzz (fuzz/README.md).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
workers=1
while getopts "t:w:" opt; do
    case $opt in
        t) seconds=$OPTARG ;;
        w) workers=$OPTARG ;;
        *) echo "usage: $0 [-t SECONDS] [-w WORKERS] [entries|routines|qelhost]..." >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(entries routines qelhost)

build=build/fuzz
status=0
for target in "${targets[@]}"; do
    fuzzer=$build/qelfin_fuzz_$target
    [ -x "$fuzzer" ] || { echo "no $fuzzer: cmake --preset fuzz && cmake --build --preset fuzz" >&2; exit 1; }
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target
    log=$build/logs/$target.log
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    # The module's targets take their seeds from the seed text; qelhost's are files.
    if [ -d "fuzz/seeds/$target" ]; then
        cp fuzz/seeds/"$target"/* "$corpus/"
    else
        "$build/qelfin_fuzz_seeds" "$target" "$corpus" fuzz/seeds/*.txt
    fi
    [ -d "fuzz/regressions/$target" ] && find "fuzz/regressions/$target" -type f ! -name '.*' -exec cp {} "$corpus/" \;

    echo "== fuzz $target: ${seconds} s, $workers worker(s), corpus $(ls "$corpus" | wc -l) inputs"
    args=(-max_total_time="$seconds" -max_len=4096 -timeout=30 -rss_limit_mb=2048 -use_value_profile=1
          -print_final_stats=1 -artifact_prefix="$artifacts/")
    [ "$workers" -gt 1 ] && args+=(-fork="$workers" -ignore_crashes=0)
    if "$fuzzer" "${args[@]}" "$corpus" >"$log" 2>&1; then
        grep -E '^#[0-9]+' "$log" | tail -1 || true
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
    else
        status=1
        echo "FAILED: $target; the end of $log:"
        tail -40 "$log"
        echo "failing inputs: $(ls "$artifacts")"
    fi
done
exit $status
