#!/bin/bash
# Tries the README's two commands as a newcomer would: on a fresh Debian root that has only
# what a new machine has, with the committed HEAD cloned into it. Every machine we work on
# already holds what earlier runs installed, so only a fresh root shows a missing step.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/fresh_check.sh [--demo-only | --wine-demo]
Makes a fresh Debian bookworm root (debootstrap, minbase, with g++ cmake make
git ca-certificates python3 sudo), clones the committed HEAD into it and runs
the README's two commands there exactly as written (scripts/demo.sh, then
scripts/test.sh), with its own /proc, /dev/shm and a tmpfs /tmp. Prints each
command's exit code and time; the output of each goes to build/fresh-check/.
Everything it made is removed at the end, also on Ctrl-C. Needs root.
FRESH_CHECK_DIR names the folder to build the root in (default /var/tmp).
  --demo-only   run scripts/demo.sh only
  --wine-demo   run scripts/demo.sh --wine only"
ALLOWED_OPTIONS="--demo-only --wine-demo" handle_common_options "$usage" "$@"
case "$#:${1:-}" in
    0:) commands=(scripts/demo.sh scripts/test.sh) ;;
    1:--demo-only) commands=(scripts/demo.sh) ;;
    1:--wine-demo) commands=("scripts/demo.sh --wine") ;;
    *) usage_error "takes one of --demo-only and --wine-demo at most, not \"$*\"" ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "fresh_check.sh: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }

# The root's mounts live in a mount namespace of their own and its processes in a PID
# namespace of their own: when the check ends, however it ends, the kernel takes both away
# (a wineserver or a test left running included), and nothing is left mounted to remove.
work= inside=
cleanup() {
    if [ -n "$inside" ]; then
        # unshare ignores INT and TERM while its child runs; its end takes the child with it.
        kill -KILL "$inside" 2>/dev/null || true
        wait "$inside" 2>/dev/null || true
    fi
    [ -z "$work" ] || rm -rf --one-file-system "$work"
}

# Runs in the namespaces: makes the root, mounts what a running system has, runs each
# command in it and says how it ended.
check_in_fresh_root() {
    local root=$1 source=$2 head=$3 logs=$4
    shift 4
    local started failed=0 command rc log
    started=$(date +%s)
    debootstrap --variant=minbase --include=g++,cmake,make,git,ca-certificates,python3,sudo \
        bookworm "$root" http://deb.debian.org/debian >"$logs/debootstrap.log" 2>&1 ||
        { echo "debootstrap failed; see $logs/debootstrap.log" >&2; tail -n 5 "$logs/debootstrap.log" >&2; return 1; }
    echo "A fresh Debian bookworm root in $(($(date +%s) - started)) s."
    # The package sources and resolver of this machine, as its other fresh machines have.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
        rm -f "$root/etc/apt/sources.list"
    fi
    cp -n /etc/apt/apt.conf.d/* "$root/etc/apt/apt.conf.d/" 2>/dev/null || true
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    git clone -q --no-checkout "$source" "$root/root/glyphbox"
    git -C "$root/root/glyphbox" checkout -q --detach "$head"
    for command in "$@"; do
        log=$logs/${command//[^a-z]/_}.log
        echo "Running $command in the fresh root (output: $log)..."
        started=$(date +%s)
        rc=0
        chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            /bin/bash -c "cd /root/glyphbox && $command" \
            </dev/null >"$log" 2>&1 || rc=$?
        echo "$command: exit $rc after $(($(date +%s) - started)) s"
        if [ "$rc" -ne 0 ]; then
            tail -n 30 "$log" | sed 's/^/  | /'
            failed=1
        fi
    done
    return $failed
}

# The whole run is one call, read before it starts, so editing this file meanwhile (a
# checkout of another commit) cannot change a run already going.
main() {
    trap cleanup EXIT
    trap 'echo "fresh_check.sh: interrupted" >&2; exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
    scripts/install_deps.sh fresh
    head=$(git rev-parse HEAD)
    logs=$PWD/build/fresh-check
    mkdir -p "$logs"
    work=$(mktemp -d "${FRESH_CHECK_DIR:-/var/tmp}/glyphbox-fresh.XXXXXX")
    root=$work/root

    echo "Fresh-machine check of $(git log -1 --format='%h %s' "$head")"
    # A job started with & ignores Ctrl-C; the commands inside get the signals a terminal's would.
    unshare --mount --pid --fork --kill-child=KILL env --default-signal=INT,QUIT \
        bash -c "set -euo pipefail; $(declare -f check_in_fresh_root); check_in_fresh_root \"\$@\"" \
        check "$root" "$PWD" "$head" "$logs" "${commands[@]}" &
    inside=$!
    local rc=0
    wait "$inside" || rc=$?
    inside=
    [ "$rc" -eq 0 ] && echo "fresh_check.sh: passed" || echo "fresh_check.sh: FAILED" >&2
    exit "$rc"
}

main
