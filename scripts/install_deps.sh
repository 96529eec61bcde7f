#!/bin/bash
# Installs the Debian packages a command needs, and only those. As root it installs what is
# missing; otherwise it prints the command that would.
set -euo pipefail
source "$(dirname "$0")/script_options.sh"
usage="usage: install_deps.sh [NEED...]
Installs the Debian packages for each NEED (all of them when none is given):
  demo      the native demo: cmake, make, g++, and GoogleTest and Python, which
            configuring the native build (with its tests) needs
  windows   the Windows build and its tests under Wine: mingw-w64, wine,
            googletest sources, locales (for the Wine runner's Polish locale)
  test      every test: the above, clang with libFuzzer, LCDd (lcdproc), tmux
  bench     the benchmarks: the above and Google Benchmark
  fresh     scripts/fresh_check.sh: debootstrap
Run as root to install; otherwise the apt-get lines to run are printed. Package
lists that cannot be fetched are tried again, then passed over; when 32-bit
Wine cannot be installed, everything else is, and the Windows tests run as a
64-bit build."
handle_common_options "$usage" "$@"

demo=(cmake make g++ libgtest-dev python3)
windows=("${demo[@]}" locales googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386)
test=("${windows[@]}" clang libclang-rt-14-dev libgtest-dev lcdproc tmux)
bench=("${test[@]}" libbenchmark-dev)
fresh=(debootstrap)

needs=("$@")
[ ${#needs[@]} -eq 0 ] && needs=(bench fresh)
packages=()
for need in "${needs[@]}"; do
    case $need in
        demo) packages+=("${demo[@]}") ;;
        windows) packages+=("${windows[@]}") ;;
        test) packages+=("${test[@]}") ;;
        bench) packages+=("${bench[@]}") ;;
        fresh) packages+=("${fresh[@]}") ;;
        *) usage_error "unknown need \"$need\" (demo, windows, test, bench or fresh)" ;;
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
    # 32-bit Wine alone missing stops nothing: the Windows tests take the 64-bit path, as they
    # do where root could not install it (a mirror in a sync, a machine without i386).
    if [ "${missing[*]}" = wine32:i386 ]; then
        echo "32-bit Wine (wine32:i386) is not installed: the Windows tests run as a 64-bit build." >&2
        echo "Run this as root to install it and test the 32-bit DLLs themselves." >&2
        exit 0
    fi
    echo "Missing packages: ${missing[*]}" >&2
    # One command a line: a "sudo" typed before "apt-get update && apt-get install" would
    # reach the update only, and the install would fail for want of root.
    echo "Install them as root (sudo before each line, or in a root shell):" >&2
    $needs_i386 && echo "  dpkg --add-architecture i386" >&2
    echo "  apt-get update" >&2
    echo "  apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
if $needs_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
source "$(dirname "$0")/package_lists.sh"
update_package_lists

# apt-get's output of the last install attempt, kept to quote when it fails.
install_log=$(mktemp)
trap 'rm -f "$install_log"' EXIT
install_packages() {
    apt-get install -y -qq --no-install-recommends "$@" >"$install_log" 2>&1
}
# The first N error lines of that output, or its last N lines when it has none (apt-get
# killed, or an error in words of its own): a failure never goes unexplained.
apt_get_words() {
    local words
    words=$(grep -E '^(E:| .* : Depends:)' "$install_log" | head -n "$1" || true)
    [ -n "$words" ] || words=$(tail -n "$1" "$install_log")
    printf '%s\n' "${words:-(apt-get said nothing)}" | sed 's/^/  /'
}

install_packages "${missing[@]}" && exit 0

# 32-bit Wine needs the i386 lists to match the amd64 ones package for package; while a
# mirror syncs they often do not. The 64-bit path tests the same Windows code, so that is
# worth going on for; any other package that cannot be installed stops the command.
without_wine32=()
for package in "${missing[@]}"; do
    [ "$package" = wine32:i386 ] || without_wine32+=("$package")
done
if [ ${#without_wine32[@]} -lt ${#missing[@]} ]; then
    wine32_words=$(apt_get_words 3)
    if [ ${#without_wine32[@]} -eq 0 ] || install_packages "${without_wine32[@]}"; then
        cat >&2 <<MESSAGE
32-bit Wine (wine32:i386) could not be installed; everything else was. apt-get said:
$wine32_words
This means the Windows tests run as a 64-bit build under 64-bit Wine, and the 32-bit DLLs
are checked from their exports, imports and disassembly only. Run the command again later
(a mirror in the middle of a sync is the usual cause) to test the 32-bit DLLs themselves.
MESSAGE
        exit 0
    fi
fi
echo "install_deps.sh: apt-get could not install ${missing[*]}:" >&2
apt_get_words 8 >&2
exit 1
