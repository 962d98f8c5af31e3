#!/bin/bash
# The PostgreSQL extension qelfin.
#   scripts/pg.sh install   build qelfin.so (preset x64) and install it, with
#                           libqelfin.so beside it, into the local PostgreSQL
#                           15 (root)
#   scripts/pg.sh demo      install, then run example queries on a throwaway
#                           server (pg_virtualenv)
set -euo pipefail
cd "$(dirname "$0")/.."

install_extension() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "scripts/pg.sh install writes into PostgreSQL's folders: run it as root" >&2
        exit 1
    fi
    bash scripts/setup.sh
    cmake --preset x64 >/dev/null
    cmake --build --preset x64 -j 2 --target qelfin qelfin_pg
    local pkglib share
    pkglib=$(pg_config --pkglibdir)
    share=$(pg_config --sharedir)/extension
    install -m 755 build/x64/postgres/qelfin.so build/x64/libqelfin.so "$pkglib"/
    install -m 644 postgres/qelfin.control postgres/qelfin--1.0.sql "$share"/
    echo "installed qelfin into $pkglib and $share"
}

case "${1:-}" in
    install)
        install_extension
        ;;
    demo)
        install_extension
        pg_virtualenv -v "$(pg_config --version | sed -E 's/^PostgreSQL ([0-9]+).*/\1/')" psql -X -v ON_ERROR_STOP=1 -f postgres/demo.sql
        ;;
    *)
        echo "usage: scripts/pg.sh install | demo" >&2
        exit 2
        ;;
esac
