#!/bin/bash
# latency.sh [ZAPS] [--wine]: how long a zap takes to reach the LCD. tvhost zaps between two
# services ZAPS times (default 50) with the plug-in polling every 500 ms; lcdhost refreshes
# every second; both log with the wall clock. For each zap, the latency is the time from the
# TV host's state change to the first LCD frame that shows the new service. Prints p50, p99
# and the worst, against the bound of one polling interval plus one display refresh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/latency.sh [ZAPS] [--wine]
Measures how long a zap takes to reach the LCD over ZAPS zaps (default 50)."
ALLOWED_OPTIONS="--wine" handle_common_options "$usage" "$@"

zaps=${1:-50}
preset=native
runner=()
suffix=
if [ "${2:-}" = "--wine" ]; then
    preset=win32
    /usr/lib/wine/wine --version >/dev/null 2>&1 || preset=win64
    runner=("build/$preset/wine_run.sh")
    suffix=.exe
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target tvhost lcdhost glyphbox vistune >/dev/null
bin=build/$preset/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$bin/Plugins"
printf '[Options]\r\nEnabled=1\r\nRefresh=500\r\nSignal=1\r\n' >"$bin/Plugins/glyphbox.ini"
{
    echo 'service tv 1 "Alfa" "P" ""'
    echo 'service tv 2 "Beta" "P" ""'
    # 2.3 s apart, so zaps fall at every phase of the 500 ms poll and the 1 s refresh.
    for i in $(seq 1 "$zaps"); do
        awk -v i="$i" 'BEGIN { printf "at %.1f zap %d\n", 2 + i * 2.3, 2 - i % 2 }'
    done
    awk -v n="$zaps" 'BEGIN { printf "at %.1f quit\n", 4 + n * 2.3 }'
} >"$work/scenario.txt"
echo '{f1:ServiceLabel}' >"$work/screen.txt"
seconds=$(awk -v n="$zaps" 'BEGIN { printf "%.0f", 3 + n * 2.3 }')

"${runner[@]}" "$bin/tvhost$suffix" --quiet --scenario "$work/scenario.txt" --log "$work/events.log" &
tv=$!
sleep 1
"${runner[@]}" "$bin/lcdhost$suffix" --screen "$work/screen.txt" --log "$work/frames.log" --seconds "$seconds"
wait $tv

awk '
    FNR == NR { if ($1 == "event" && $2 == "zap") { n++; clock[n] = $5; name[n] = ($3 == 1 ? "Alfa" : "Beta") } next }
    /^frame/ { frame = $4 }
    /^\|/ { frames++; fclock[frames] = frame; text[frames] = $0 }
    END {
        for (z = 1; z <= n; z++)
            for (f = 1; f <= frames; f++)
                if (fclock[f] >= clock[z] && index(text[f], name[z])) { print fclock[f] - clock[z]; break }
    }' "$work/events.log" "$work/frames.log" | sort -n >"$work/latencies"
awk -v zaps="$zaps" '
    { lat[NR] = $1 }
    END {
        p50 = lat[int((NR + 1) / 2)]; p99 = lat[int(NR * 0.99 + 0.99)]
        printf "zaps %d, measured %d: p50 %d ms, p99 %d ms, worst %d ms (bound: 500 ms poll + 1000 ms refresh = 1500 ms)\n",
               zaps, NR, p50, p99, lat[NR]
    }' "$work/latencies"
