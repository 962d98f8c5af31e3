#!/bin/bash
# The main job: build the x86-64 preset and show the module through qelhost.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target qelhost qelfin >/dev/null
./build/x64/qelhost describe
