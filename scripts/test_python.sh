#!/bin/bash
# Installs the Python package in a fresh venv (build/python-venv) exactly as
# the README tells users to, then runs its tests from outside the source
# tree, so that they import the installed package.  pytest's exit 5 (no
# tests collected) counts as a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

python=/usr/bin/python3  # Debian's Python, whose packages the venv sees
venv=build/python-venv
rm -rf "$venv"
"$python" -m venv --system-site-packages "$venv"
QELFIN_WERROR=1 "$venv/bin/pip" install --quiet --no-build-isolation --no-index ./python
cd build
"python-venv/bin/python" -m pytest -q -p no:cacheprovider ../python/tests
