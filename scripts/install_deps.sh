#!/bin/bash
# Installs the Debian packages a command needs, and only those. As root it installs what is
# missing; otherwise it prints the command that would.
set -euo pipefail
source "$(dirname "$0")/script_options.sh"
usage="usage: install_deps.sh [NEED...]
Installs the Debian packages for each NEED (all of them when none is given):
  demo      the native demo: cmake, make, g++
  windows   the Windows build and its tests under Wine: mingw-w64, wine, googletest sources
  test      every test: the above, GoogleTest, clang with libFuzzer, LCDd (lcdproc)
  bench     the benchmarks: the above and Google Benchmark
Run as root to install; otherwise the apt-get line to run is printed."
handle_common_options "$usage" "$@"

demo=(cmake make g++)
windows=("${demo[@]}" python3 googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386)
test=("${windows[@]}" clang libclang-rt-14-dev libgtest-dev lcdproc)
bench=("${test[@]}" libbenchmark-dev)

needs=("$@")
[ ${#needs[@]} -eq 0 ] && needs=(bench)
packages=()
for need in "${needs[@]}"; do
    case $need in
        demo) packages+=("${demo[@]}") ;;
        windows) packages+=("${windows[@]}") ;;
        test) packages+=("${test[@]}") ;;
        bench) packages+=("${bench[@]}") ;;
        *) echo "install_deps.sh: unknown need \"$need\" (demo, windows, test or bench)" >&2; exit 2 ;;
    esac
done

missing=()
for package in $(printf '%s\n' "${packages[@]}" | sort -u); do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

needs_i386=false
for package in "${missing[@]}"; do
    [[ $package == *:i386 ]] && needs_i386=true
done

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them as root with:" >&2
    $needs_i386 && echo "  dpkg --add-architecture i386" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
if $needs_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
