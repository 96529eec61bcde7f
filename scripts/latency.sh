#!/bin/bash
# latency.sh [ZAPS] [--poll MS] [--wine]: how long a zap takes to reach the LCD. tvhost zaps
# between two services ZAPS times (default 50) with the plug-in polling every MS ms (default
# 500); lcdhost refreshes every second; both log with the wall clock. For each zap, the latency is the time from the
# TV host's state change to the first LCD frame that shows the new service. Prints p50, p99
# and the worst, against the bound of one polling interval plus one display refresh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/script_options.sh
usage="usage: scripts/latency.sh [ZAPS] [--poll MS] [--wine]
Measures how long a zap takes to reach the LCD over ZAPS zaps (default 50), with
the plug-in polling every MS milliseconds (default 500) and the LCD refreshing
every second."
ALLOWED_OPTIONS="--wine --poll" handle_common_options "$usage" "$@"

zaps=50
poll=500
wine=false
while [ $# -gt 0 ]; do
    case $1 in
        --wine) wine=true ;;
        --poll)
            [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || { echo "latency.sh: --poll needs a number of milliseconds" >&2; exit 2; }
            poll=$2
            shift ;;
        *)
            [[ $1 =~ ^[1-9][0-9]*$ ]] || { echo "latency.sh: \"$1\" is not a number of zaps" >&2; exit 2; }
            zaps=$1 ;;
    esac
    shift
done
preset=native
runner=()
suffix=
if $wine; then
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

gap=$(awk -v p="$poll" 'BEGIN { g = p / 1000 + 1.3; if (g < 2.3) g = 2.3; printf "%.1f", g }')
# The run's own block, and a copy of tvhost with its own Plugins folder: the plug-in keeps its
# settings beside its host, and the user's bin/Plugins is never touched.
export GLYPHBOX_BLOCK_NAME="glyphbox-latency-$$"
plugin=libglyphbox.so
$wine && plugin=glyphbox.dll
mkdir -p "$work/tv/Plugins"
cp "$bin/tvhost$suffix" "$bin/$plugin" "$work/tv/"
printf '[Options]\r\nEnabled=1\r\nRefresh=%d\r\nSignal=1\r\n' "$poll" >"$work/tv/Plugins/glyphbox.ini"
{
    echo 'service tv 1 "Alfa" "P" ""'
    echo 'service tv 2 "Beta" "P" ""'
    # Zaps fall at every phase of the poll and the 1 s refresh (2.3 s apart at 500 ms), and
    # each has shown before the next comes.
    for i in $(seq 1 "$zaps"); do
        awk -v i="$i" -v g="$gap" 'BEGIN { printf "at %.1f zap %d\n", 2 + i * g, 2 - i % 2 }'
    done
    awk -v n="$zaps" -v g="$gap" 'BEGIN { printf "at %.1f quit\n", 4 + n * g }'
} >"$work/scenario.txt"
echo '{f1:ServiceLabel}' >"$work/screen.txt"
seconds=$(awk -v n="$zaps" -v g="$gap" 'BEGIN { printf "%.0f", 3 + n * g }')

"${runner[@]}" "$work/tv/tvhost$suffix" --quiet --scenario "$work/scenario.txt" --log "$work/events.log" &
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
awk -v zaps="$zaps" -v poll="$poll" '
    { lat[NR] = $1 }
    END {
        p50 = lat[int((NR + 1) / 2)]; p99 = lat[int(NR * 0.99 + 0.99)]
        printf "zaps %d, measured %d: p50 %d ms, p99 %d ms, worst %d ms (poll %d ms, refresh 1000 ms)\n",
               zaps, NR, p50, p99, lat[NR], poll
    }' "$work/latencies"
