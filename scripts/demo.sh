#!/bin/bash
# The whole chain at work: tvhost plays its built-in scenario with glyphbox loaded, and
# lcdhost shows what vistune makes of the shared block, for about thirty seconds
# (Ctrl-C ends it sooner). In a terminal the LCD is drawn in big dots; otherwise plain-text
# frames are printed. --wine runs the Windows DLLs and both hosts under Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh

preset=native
runner=()
if [ "${1:-}" = "--wine" ]; then
    preset=win32
    /usr/lib/wine/wine --version >/dev/null 2>&1 || preset=win64  # no 32-bit programs here
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target tvhost lcdhost glyphbox vistune >/dev/null
bin=build/$preset/bin
suffix=
if [ "$preset" != native ]; then
    runner=("build/$preset/wine_run.sh")
    suffix=.exe
fi

# The plug-in keeps its settings beside its host; poll twice a second for a lively demo.
mkdir -p "$bin/Plugins"
printf '[Options]\r\nEnabled=1\r\nRefresh=500\r\nSignal=1\r\n' >"$bin/Plugins/glyphbox.ini"

"${runner[@]}" "$bin/tvhost$suffix" --quiet --seconds 32 &
tv=$!
trap 'kill $tv 2>/dev/null || true' EXIT
sleep 1
"${runner[@]}" "$bin/lcdhost$suffix" --seconds 30
wait $tv || true
