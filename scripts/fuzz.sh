#!/bin/bash
# fuzz.sh [SECONDS]: runs every libFuzzer target of the "fuzz" preset for SECONDS each
# (default 30), starting from its seed corpus in fuzz/corpus/<target>. The seeds are copied,
# so the run never changes the repository. Exits non-zero on the first finding.
# The long run: fuzz.sh --runs N [--target NAME] [--grow] runs each target (or one) for N
# executions instead, and with --grow merges what it found into fuzz/corpus/<target>, keeping
# only inputs that add coverage. It is not part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/fuzz.sh [SECONDS]
       scripts/fuzz.sh --runs N [--target NAME] [--grow]
Runs every libFuzzer target of the fuzz preset for SECONDS each (default 30), or
for N executions each; --target picks one target, --grow keeps what adds
coverage in fuzz/corpus."
ALLOWED_OPTIONS="--runs --target --grow" handle_common_options "$usage" "$@"

seconds=30
runs=
only=
grow=false
number() { [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: $1 is a whole number above 0, not \"${2:-}\"" >&2; exit 2; }; }
while [ $# -gt 0 ]; do
    case $1 in
        --runs) number --runs "${2:-}"; runs=$2; shift ;;
        --target) [ -n "${2:-}" ] || { echo "fuzz.sh: --target needs a name" >&2; exit 2; }; only=$2; shift ;;
        --grow) grow=true ;;
        *) number SECONDS "$1"; seconds=$1 ;;
    esac
    shift
done
if [ -n "$only" ] && [ ! -x "build/fuzz/bin/${only}_fuzz" ]; then
    echo "fuzz.sh: no target \"$only\" in build/fuzz/bin" >&2
    exit 2
fi
limit=(-max_total_time="$seconds")
[ -n "$runs" ] && limit=(-runs="$runs")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=build/fuzz/findings
interrupted=false
interrupted_code=72  # libFuzzer's exit code when a signal ends the run
trap 'interrupted=true' INT TERM
for fuzzer in build/fuzz/bin/*_fuzz; do
    name=$(basename "$fuzzer" _fuzz)
    [ -n "$only" ] && [ "$name" != "$only" ] && continue
    mkdir -p "$work/$name"
    cp fuzz/corpus/"$name"/* "$work/$name"/ 2>/dev/null || true
    echo "-- $name: ${runs:-$seconds s}${runs:+ executions}"
    status=0
    "$fuzzer" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$work/" \
        "$work/$name" 2>"$work/$name.log" || status=$?
    # Ctrl-C reaches the fuzzer too, which then ends with its "interrupted" code: that is no
    # finding, and saying so keeps a long run's figures honest.
    if $interrupted || [ "$status" -eq "$interrupted_code" ]; then
        grep -E "^#[0-9]+" "$work/$name.log" | tail -n 1 | sed 's/^/   last: /'
        echo "-- interrupted: $name had no finding up to here"
        exit 130
    fi
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$work/$name.log"
        mkdir -p "$findings"
        cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$findings"/ 2>/dev/null || true
        echo "FAIL: $name found a fault (exit $status); the log is above, the input kept in $findings"
        exit 1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$name.log" | sed 's/^/   /'
    grep -E "^#[0-9]+.*(DONE|pulse)" "$work/$name.log" | tail -n 1 | sed 's/^/   last: /'
    if $grow; then
        "$fuzzer" -merge=1 fuzz/corpus/"$name" "$work/$name" >"$work/$name.merge.log" 2>&1
        echo "   corpus: $(ls fuzz/corpus/"$name" | wc -l) inputs in fuzz/corpus/$name"
    fi
done
