#!/usr/bin/env bash
# The game keeps running until SIGTERM, then shuts down in order, exits 0 and
# leaves err.txt in its working directory.
# Usage: run_until_sigterm.sh GAME [WORK_DIR]
# Without WORK_DIR the game runs in a fresh folder that is removed afterwards.
set -u
game="$1"
if [ $# -ge 2 ]; then
    work="$2"
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
# The game's working directory: its assets and the effect sources that its
# procedural textures are made from.
ln -s "${TOLLYMOP_ROOT}/Assets" "$work/Assets"
mkdir -p "$work/SourceCode/Video"
ln -s "${TOLLYMOP_ROOT}/SourceCode/Video/Effects" "$work/SourceCode/Video/Effects"
cd "$work"
"$game" &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"; echo "the game ended by itself with code $?"; cat err.txt 2>/dev/null; exit 1
fi
kill -TERM "$pid"
wait "$pid"
code=$?
[ "$code" -eq 0 ] || { echo "exit code $code after SIGTERM"; cat err.txt; exit 1; }
[ -f err.txt ] || { echo "no err.txt left behind"; exit 1; }
echo "exited 0 after SIGTERM"
