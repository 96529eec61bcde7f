#!/bin/sh
# ctest waits until nothing holds a test's output open. Wine's background programs start
# with the first program a new server sees and live as long as the server (30 s after its
# last program): started with a test's output, they would hold it that long, and for the
# whole suite when tests follow each other. Runs PROGRAM through the runner on a copy of
# its prefix where no server runs yet, and fails if the output stays open 20 s or more
# after the program has ended.
# usage: wine_runner_releases_output.sh RUNNER PREFIX WINESERVER PROGRAM [ARG...]
set -u
runner=$1 prefix=$2 wineserver=$3
shift 3
# Beside the prefix, not in /tmp: hard links cannot cross into another file system (a
# tmpfs /tmp).
scratch=$(mktemp -d "$prefix.runner-test.XXXXXX") || exit 1
copy="$scratch/prefix"
cleanup() {
    WINEPREFIX="$copy" "$wineserver" -k >/dev/null 2>&1
    rm -rf "$scratch"
}
trap cleanup EXIT
"$runner" cmd /c exit >/dev/null 2>&1  # the prefix is ready before it is copied
cp -al "$prefix" "$copy" || exit 1
sed "s|^export WINEPREFIX=.*|export WINEPREFIX=\"$copy\"|" "$runner" >"$scratch/run.sh"
chmod +x "$scratch/run.sh"
# Two runs start together, as ctest starts tests side by side: only one may be the first
# program the new server sees, and neither may become it with its own output. The
# program's own time, which a busy machine stretches, does not count: only how long each
# output stays open after its program has ended.
run_and_time() {
    tag=$1
    shift
    {
        "$scratch/run.sh" "$@"
        date +%s >"$scratch/ended.$tag"
    } 2>&1 | cat >/dev/null
    echo $(($(date +%s) - $(cat "$scratch/ended.$tag"))) >"$scratch/held.$tag"
}
run_and_time first "$@" &
run_and_time second "$@"
wait
failed=0
for held_file in "$scratch"/held.*; do
    held=$(cat "$held_file")
    if [ "$held" -ge 20 ]; then
        echo "FAIL: an output stayed open ${held} s after its program ended" >&2
        failed=1
    else
        echo "an output closed ${held} s after its program ended"
    fi
done
exit $failed
