#!/bin/bash
# The main job: build the x86-64 preset and run qelhost over the example
# data: a few eval calls, then computed columns over a loan book, a set of
# project cash-flow series and an asset register.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target qelhost qelfin >/dev/null

# Prints a command as it would be typed, then runs it (its summary on
# standard error follows its output).
show() {
    local line="$" arg
    for arg in "$@"; do
        if [[ "$arg" =~ ^[A-Za-z0-9_./=-]+$ ]]; then line+=" $arg"; else line+=" '$arg'"; fi
    done
    printf '\n%s\n' "$line"
    "$@" 2>&1
}

qelhost=./build/x64/qelhost

show "$qelhost" eval 'MORT(50000, ., 0.005, 360)' 'MORT(50000, 299.775262576, ., 360)' \
    'IRR(1, -100, 230, -132)' 'NPV(10, 1, -1000, 500, 400, 300)' 'DEPSL(1, 1000, 0)'

show "$qelhost" run examples/loans.csv \
    --compute 'payment = MORT(amount, ., annual_rate/1200, term_months)' \
    --compute 'months = MORT(amount, offered_payment, annual_rate/1200, .)' \
    --compute 'interest = payment * term_months - amount'

show "$qelhost" run examples/projects.csv \
    --compute 'irr = IRR(1, c0..c8)' \
    --compute 'npv = NPV(rate, 1, c0..c8)'

show "$qelhost" run examples/assets.csv \
    --compute 'dep_sl = DEPSL(year, cost - salvage, life_years)' \
    --compute 'dep_ddb = DEPDB(year, cost, life_years, 2)' \
    --compute 'book_sl = cost - DACCSL(year, cost - salvage, life_years)'

# Every rate where IRR's note says there may be more than one, and a
# bank-style schedule whose given payment leaves a smaller last one.
show "$qelhost" rates 'IRR(1, -100, 230, -132)'
show "$qelhost" schedule 'MORT(20000, 450, 0.06/12, .)' --decimals 2
