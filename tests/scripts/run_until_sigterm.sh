#!/usr/bin/env bash
# The game keeps running until SIGTERM, then shuts down in order, exits 0 and
# leaves err.txt in its working directory.
set -u
game="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "${TOLLYMOP_ROOT}/Assets" "$work/Assets"
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
