#!/bin/bash
# fuzz.sh [SECONDS]: runs every libFuzzer target of the "fuzz" preset for SECONDS each
# (default 30), starting from its seed corpus in fuzz/corpus/<target>. The seeds are copied,
# so the run never changes the repository. Exits non-zero on the first finding.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/fuzz.sh [SECONDS]
Runs every libFuzzer target of the fuzz preset for SECONDS each (default 30)."
handle_common_options "$usage" "$@"
[[ ${1:-30} =~ ^[1-9][0-9]*$ && $# -le 1 ]] || { echo "fuzz.sh: SECONDS is a whole number above 0, not \"${1:-}\"" >&2; exit 2; }

seconds=${1:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in build/fuzz/bin/*_fuzz; do
    name=$(basename "$fuzzer" _fuzz)
    mkdir -p "$work/$name"
    cp fuzz/corpus/"$name"/* "$work/$name"/ 2>/dev/null || true
    echo "-- $name: $seconds s"
    "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
        "$work/$name" 2>"$work/$name.log" || {
        tail -n 40 "$work/$name.log"
        echo "FAIL: $name found a crash; the input is in the log above"
        exit 1
    }
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$name.log" | sed 's/^/   /'
done
