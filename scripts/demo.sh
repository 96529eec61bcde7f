#!/bin/bash
# Shows the display plug-in at work: fills the status block with a sample of what the TV
# host writes and prints every field the plug-in answers for it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh

cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target blockctl vistune >/dev/null
blockctl=build/native/bin/blockctl

echo "== A live TV service with a recording under way: the block"
"$blockctl" sample dump
echo
echo "== What the display plug-in answers for it"
"$blockctl" sample show
echo
echo "== The same service while a file is played"
"$blockctl" sample set playingFile 1 set recording 0 set playState 3 show
