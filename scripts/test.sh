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

echo "== native"
build native
ctest --preset native -j "$jobs"

echo "== asan (AddressSanitizer + UndefinedBehaviorSanitizer)"
build asan
ctest --preset asan -j "$jobs"

echo "== tsan (ThreadSanitizer: worker, stress, block, end-to-end and concurrent-writer tests)"
build tsan
ctest --preset tsan -j "$jobs"

echo "== fuzz (libFuzzer, ${FUZZ_SECONDS:-30} s per target)"
build fuzz
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

echo "== win32 (the product: 32-bit DLLs)"
build win32
if can_run_32bit_wine; then
    echo "Running the Windows tests with the 32-bit DLLs under 32-bit Wine."
    ctest --preset win32 -j "$jobs"
else
    echo "This kernel cannot run 32-bit programs: checking the 32-bit DLLs' shape, then"
    echo "running the Windows tests as a 64-bit build under 64-bit Wine."
    ctest --preset win32-shape
    echo "== win64 (the same sources, tested under 64-bit Wine)"
    build win64
    ctest --preset win64 -j "$jobs"
fi
