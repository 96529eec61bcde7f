#!/bin/bash
# Runs the benchmarks natively (Release) and as the Windows build under Wine, and prints for
# each benchmark the two figures side by side with their ratio. Arguments go to every
# benchmark program (e.g. --benchmark_filter=ReadInt).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/bench.sh [--benchmark_...]
Runs every benchmark natively (Release) and as the Windows build under Wine, one
process of each in turn, BENCH_PROCESSES times (default 3), and prints per
benchmark the best of those processes' medians (CPU time) for both builds and
the Windows figure's ratio to the native one. The options go to every benchmark
program."
ALLOWED_OPTIONS="--benchmark_*" handle_common_options "$usage" "$@"
# Checked before anything is installed or built: a stray word would only fail at the end.
for word in "$@"; do
    [[ $word == -* ]] || usage_error "unexpected word \"$word\": the benchmarks take options only"
done
processes=${BENCH_PROCESSES:-3}
if ! [[ $processes =~ ^[1-9][0-9]*$ ]]; then
    echo "bench.sh: BENCH_PROCESSES must be a positive number, not \"$processes\"" >&2
    exit 2
fi

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
fetch_benchmark_sources
windows=win32-bench
/usr/lib/wine/wine --version >/dev/null 2>&1 || windows=win64-bench
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" -j "$(nproc)"

results=build/bench-results
rm -rf "$results"
mkdir -p "$results"

# One process: the medians of five repetitions as CSV. Our format comes last, so that it wins.
run() {
    local out=$1
    shift
    if ! "$@" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "${options[@]}" \
        --benchmark_format=csv >"$out" 2>"$out.log"; then
        cat "$out.log" >&2
        echo "bench.sh: $* failed" >&2
        exit 1
    fi
}

table() { awk -v windows="$windows" -f scripts/bench_table.awk "$@"; }

options=("$@")
for bench in build/native-release/bin/*_bench; do
    name=$(basename "$bench")
    echo "== $name: best of $processes processes, each the median of 5 repetitions (CPU time)"
    for i in $(seq "$processes"); do
        run "$results/$name.native.$i.csv" "$bench"
        run "$results/$name.windows.$i.csv" build/"$windows"/wine_run.sh build/"$windows"/bin/"$name".exe
    done
    table "$results/$name".*.csv
done
