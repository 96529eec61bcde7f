#!/bin/bash
# Runs the benchmarks: natively (Release), then the Windows build under Wine. Arguments go
# to every benchmark program (e.g. --benchmark_filter=ReadInt).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/bench.sh [--benchmark_...]
Runs the benchmarks natively (Release), then the Windows build under Wine; the
options go to every benchmark program."
ALLOWED_OPTIONS="--benchmark_*" handle_common_options "$usage" "$@"

scripts/install_deps.sh bench

# The Windows build compiles Google Benchmark from Debian's source package.
fetch_benchmark_sources() {
    [ -f build/deps/benchmark/CMakeLists.txt ] && return
    if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/; then
        [ "$(id -u)" -eq 0 ] || { echo "Run as root once to fetch Google Benchmark's sources" >&2; exit 1; }
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >/etc/apt/sources.list.d/debian-src.sources
        source scripts/package_lists.sh
        update_package_lists
    fi
    mkdir -p build/deps/download
    (cd build/deps/download && apt-get source --download-only benchmark >/dev/null 2>&1)
    mkdir -p build/deps/benchmark
    tar -xzf build/deps/download/benchmark_*.orig.tar.gz -C build/deps/benchmark --strip-components=1
}

cmake --preset native-release >/dev/null
cmake --build --preset native-release -j "$(nproc)"
for bench in build/native-release/bin/*_bench; do
    echo "== native: $(basename "$bench")"
    "$bench" "$@"
done

fetch_benchmark_sources
windows=win32-bench
/usr/lib/wine/wine --version >/dev/null 2>&1 || windows=win64-bench
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" -j "$(nproc)"
for bench in build/"$windows"/bin/*_bench.exe; do
    echo "== $windows under Wine: $(basename "$bench")"
    build/"$windows"/wine_run.sh "$bench" "$@"
done
