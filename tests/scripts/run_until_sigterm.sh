#!/usr/bin/env bash
# The game keeps running until SIGTERM, then shuts down in order, exits 0 and
# leaves err.txt in its working directory. SIGTERM comes once it has reached
# its frames (its script says so), however long a busy machine takes to start
# it.
# Usage: run_until_sigterm.sh GAME [WORK_DIR]
# Without WORK_DIR the game runs in a fresh folder that is removed afterwards.
set -u
game="$1"
. "$(dirname "$0")/common.sh"
work="${2:-$scratch/game}"
mkdir -p "$work"
lay_out_game_files "$work"
write_running_script "$work"
cd "$work"
"$game" &
pid=$!
if ! wait_until "$pid" 120 test -f running; then
    if still_running "$pid"; then
        echo "no frame within 120 s"
    else
        wait "$pid"
        echo "the game ended by itself with code $?"
    fi
    cat err.txt 2>/dev/null
    exit 1
fi
kill -TERM "$pid"
ends_within "$pid" 60 || { echo "still running 60 s after SIGTERM"; cat err.txt; exit 1; }
wait "$pid"
code=$?
[ "$code" -eq 0 ] || { echo "exit code $code after SIGTERM"; cat err.txt; exit 1; }
[ -f err.txt ] || { echo "no err.txt left behind"; exit 1; }
echo "exited 0 after SIGTERM"
