#!/bin/bash
# The whole chain at work: tvhost plays its built-in scenario with glyphbox loaded, and
# lcdhost shows what vistune makes of the shared block, for thirty seconds (Ctrl-C ends it
# sooner). The demo's own plug-in settings are put back as they were when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/demo.sh [--wine]
Builds what is missing, then runs tvhost (the built-in scenario) and lcdhost
(the built-in TV screen) side by side for 30 seconds. In a terminal the LCD is
drawn in dots sized to the terminal; otherwise plain-text frames are printed.
  --wine   run the Windows DLLs and both hosts under Wine instead
The tools are built in build/native/bin (build/win32/bin or build/win64/bin
with --wine)."
ALLOWED_OPTIONS="--wine" handle_common_options "$usage" "$@"
for word in "$@"; do
    [[ $word == -* ]] || usage_error "unexpected word \"$word\": the demo takes options only"
done

# One Ctrl-C ends the whole demo at once. The terminal sends it to lcdhost and to us; tvhost,
# started in the background, ignores it as every background job of a script does, so the EXIT
# trap below tells it with SIGTERM. Traps run once the foreground command has ended.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

seconds=30
preset=native
runner=()
suffix=
if [ "${1:-}" = "--wine" ]; then
    scripts/install_deps.sh windows
    preset=win32
    /usr/lib/wine/wine --version >/dev/null 2>&1 || preset=win64  # no 32-bit programs here
    runner=("build/$preset/wine_run.sh")
    suffix=.exe
else
    scripts/install_deps.sh demo
fi

# One demo at a time in a build tree: a second one would keep the first one's demo settings
# aside as if they were the user's, and put those back. tvhost inherits the lock, so a demo
# killed outright holds it until its tvhost has ended; wine_run.sh takes fd 9 for a lock of its
# own, so Wine's server, which outlives the demo, never holds this one.
mkdir -p "build/$preset"
exec 9<"build/$preset"
flock -n 9 || { echo "demo.sh: another demo is running in build/$preset; start this one when it has ended" >&2; exit 1; }

# Every tool the README names, so its blockctl examples work after the demo.
echo "Building tvhost, lcdhost, blockctl, glyphbox and vistune in build/$preset (the first time takes a minute or two)..."
cmake --preset "$preset" >/dev/null
# Only the progress lines are shown; a failed build ends the demo with the compiler's errors
# rather than running tools that are stale or missing. Only the build's own exit code counts:
# a log that cannot be written (tee says why) is no reason to call a good build failed.
build_log=build/$preset/demo-build.log
build_rc=0
cmake --build --preset "$preset" -j "$(nproc)" --target tvhost lcdhost blockctl glyphbox vistune 2>&1 |
    tee "$build_log" | { grep --line-buffered -E '^\[ *[0-9]+%\]' || true; } | sed -u 's/^/  /' ||
    build_rc=${PIPESTATUS[0]}
if [ "$build_rc" -ne 0 ]; then
    echo "demo.sh: the build failed (all of its output is in $build_log):" >&2
    grep -m 20 -iE 'error' "$build_log" >&2 || tail -n 20 "$build_log" >&2
    exit 1
fi
bin=build/$preset/bin

# The plug-in keeps its settings beside its host. The demo polls twice a second for a lively
# picture, and its scenario turns the signal read-out off, so the user's own file is kept
# aside and put back afterwards. The settings engine's lock file goes too when the demo made
# it: a Plugins folder left behind would opt the user in to keeping tvhost's settings.
settings=$bin/Plugins/glyphbox.ini
# A demo killed outright (SIGKILL, a power cut) left the user's settings aside: they come back
# first, or this demo would keep the killed one's demo settings aside as the user's.
[ ! -e "$settings.before-demo" ] && [ ! -L "$settings.before-demo" ] || mv -f "$settings.before-demo" "$settings"
had_folder=false; [ -d "$bin/Plugins" ] && had_folder=true
# A link counts, even one whose target is missing: writing through it would make that target.
had_settings=false; [ -f "$settings" ] || [ -L "$settings" ] && had_settings=true
had_lock=false; [ -e "$settings.lock" ] && had_lock=true
tv=
stop_tvhost() {
    [ -z "$tv" ] || kill -TERM "$tv" 2>/dev/null || true
    [ -z "$tv" ] || wait "$tv" 2>/dev/null || true
}
restore_settings() {
    # A signal may come before they were moved aside: the settings are then still the user's.
    if $had_settings; then mv -f "$settings.before-demo" "$settings" 2>/dev/null || true; else rm -f "$settings"; fi
    $had_lock || rm -f "$settings.lock"
    $had_folder || rmdir "$bin/Plugins" 2>/dev/null || true
}
trap 'stop_tvhost; restore_settings' EXIT
mkdir -p "$bin/Plugins"
# Moved, not copied: the demo's settings must not be written through a link into the user's.
$had_settings && mv -f "$settings" "$settings.before-demo"
printf '[Options]\r\nEnabled=1\r\nRefresh=500\r\nSignal=1\r\n' >"$settings"

if [ ${#runner[@]} -gt 0 ]; then
    echo "Starting Wine..."
    "${runner[@]}" cmd /c exit >/dev/null 2>&1 || true  # a warm prefix keeps the timing honest
fi

started=$(date +%s)
"${runner[@]}" "$bin/tvhost$suffix" --quiet --seconds $((seconds + 2)) &
tv=$!
sleep 1
# An lcdhost that failed (it said why: a reader that left, a block it could not open) ends the
# demo with its exit code, not with a 30 s wait and a success; the EXIT trap stops tvhost.
rc=0
"${runner[@]}" "$bin/lcdhost$suffix" --seconds "$seconds" || rc=$?
[ "$rc" -eq 0 ] || exit "$rc"
# A tvhost that failed (it said why) leaves the LCD empty: the demo did not work.
rc=0
wait "$tv" || rc=$?
tv=
[ "$rc" -eq 0 ] || { echo "demo.sh: tvhost ended with exit code $rc" >&2; exit "$rc"; }
echo "The demo ran $(( $(date +%s) - started )) s."
echo "Your own runs: $bin/tvhost$suffix and $bin/lcdhost$suffix (--help)."
