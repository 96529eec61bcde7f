#!/bin/bash
# Runs every test: the native build, the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/test.sh
Runs every test: native, AddressSanitizer/UBSan, ThreadSanitizer, the fuzzers
for FUZZ_SECONDS each (default 30) and the Windows build under Wine."
handle_common_options "$usage" "$@"
[ $# -eq 0 ] || { echo "test.sh: takes no arguments" >&2; exit 2; }

# Each stage's time, said at the end: a fresh machine's run is long, and this says where.
stage_times=()
stage_name=install
stage_started=$SECONDS
stage() {
    stage_times+=("$stage_name $((SECONDS - stage_started)) s")
    stage_name=${1%% *}
    stage_started=$SECONDS
    echo "== $*"
}

scripts/install_deps.sh test

jobs=$(nproc)

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
}

# The product's Windows tests run the real 32-bit DLLs under 32-bit Wine. Some kernels
# cannot execute 32-bit programs, and 32-bit Wine with them: there the Windows code is
# tested as a 64-bit build under 64-bit Wine. The 32-bit DLLs' shape checks (exports,
# imports, size, every return path's stack cleanup) run on both paths.
can_run_32bit_wine() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

stage "native"
build native
ctest --preset native -j "$jobs"

stage "asan (AddressSanitizer + UndefinedBehaviorSanitizer)"
build asan
ctest --preset asan -j "$jobs"

stage "tsan (ThreadSanitizer: worker, stress, block, end-to-end and concurrent-writer tests)"
build tsan
ctest --preset tsan -j "$jobs"

stage "fuzz (libFuzzer, ${FUZZ_SECONDS:-30} s per target)"
build fuzz
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

stage "win32 (the product: 32-bit DLLs)"
cmake --preset win32 >/dev/null
if can_run_32bit_wine; then
    echo "Running the Windows tests with the 32-bit DLLs under 32-bit Wine."
    cmake --build --preset win32 -j "$jobs"
    ctest --preset win32 -j "$jobs"
else
    echo "32-bit Wine cannot run here (this kernel cannot run 32-bit programs, or wine32 is not"
    echo "installed): checking the 32-bit DLLs' shape, then running the Windows tests as a"
    echo "64-bit build under 64-bit Wine."
    # Only what the shape checks read: the test programs could not run anyway.
    cmake --build --preset win32 -j "$jobs" --target glyphbox vistune wrong_convention
    ctest --preset win32-shape
    stage "win64 (the same sources, tested under 64-bit Wine)"
    build win64
    ctest --preset win64 -j "$jobs"
fi
stage_times+=("$stage_name $((SECONDS - stage_started)) s")
echo "Stage times: $(printf '%s, ' "${stage_times[@]}" | sed 's/, $//')"
