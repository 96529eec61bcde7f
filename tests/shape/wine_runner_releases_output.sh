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
scratch=$(mktemp -d) || exit 1
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
# The program's own time, which a busy machine stretches, does not count: only how long
# the output stays open after it has ended.
{
    "$scratch/run.sh" "$@"
    date +%s >"$scratch/ended"
} 2>&1 | cat >/dev/null
held=$(($(date +%s) - $(cat "$scratch/ended")))
if [ "$held" -ge 20 ]; then
    echo "FAIL: the output stayed open ${held} s after the program ended" >&2
    exit 1
fi
echo "the output closed ${held} s after the program ended"
