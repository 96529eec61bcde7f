#!/bin/bash
# check_so_exports.sh LIBRARY NAME...: the library exports exactly the functions named.
set -u
library=$1; shift
expected=$(printf '%s\n' "$@" | sort)
actual=$(nm -D --defined-only "$library" | awk '$2 == "T" { print $3 }' | sort)
if [ "$actual" != "$expected" ]; then
    echo "FAIL: $library exports"; echo "$actual"; echo "expected"; echo "$expected"
    exit 1
fi
echo "OK: $library exports exactly: $*"
