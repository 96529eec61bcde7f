#!/bin/bash
# Builds the Release configuration and runs the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j "$(nproc)"
for bench in build/native-release/bin/*_bench; do
    "$bench" "$@"
done
