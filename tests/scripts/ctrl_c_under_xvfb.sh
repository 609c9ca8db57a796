#!/usr/bin/env bash
# Ctrl+C under `make run` with no display: the terminal sends SIGINT to its
# whole foreground process group, here the display runner's. The game must
# get it, end in order with 0 and a clean err.txt, and the display server
# must go down only after it.
# Usage: ctrl_c_under_xvfb.sh GAME [RUNNER]
# RUNNER defaults to tools/on_xvfb.sh, the one `make run` uses.
set -u
game="$1"
runner="${2:-${TOLLYMOP_ROOT}/tools/on_xvfb.sh}"
. "$(dirname "$0")/common.sh"
work="$scratch/game"
fail() { echo "FAIL: $*"; echo "--- err.txt:"; cat err.txt 2>/dev/null; echo "--- terminal:"; cat terminal.txt; exit 1; }

# The game's working directory as `make run` has it: the shipped scripts,
# bindings and assets.
mkdir -p "$work"
lay_out_game_files "$work"
for item in Scripts OnStartScript.txt; do ln -s "${TOLLYMOP_ROOT}/$item" "$work/$item"; done
cd "$work"

# A process group of its own, as a terminal's foreground job has (job
# control also leaves SIGINT to its default, where a plain background job
# would ignore it).
set -m
TOLLYMOP_UNATTENDED=1 "$runner" env -u SDL_VIDEODRIVER "$game" > terminal.txt 2>&1 &
group=$!
set +m

# The game, the child of its keeper (what the runner started), is up,
# drawing its menu, once it plays the menu's music (a stream it keeps open).
keeper="" players="" server=""
menu_music() {
    keeper=$(pgrep -f -P "$group" -- "$game") && players=$(pgrep -P "$keeper") &&
        ls -l /proc/$players/fd 2>/dev/null | grep -q "Assets/Audio/Music/menu.wav$"
}
wait_until "$group" 120 menu_music || fail "the game did not play the menu's music"
server=$(pgrep -x Xvfb -P "$group")
[ -n "$server" ] || fail "no display server under the runner"

kill -INT -- "-$group"
# A busy machine may take a while to end the game in order; a lost signal
# never ends it.
ends_within "$group" 60 || fail "the runner did not end within 60 s of SIGINT"
wait "$group"
code=$?
[ "$code" -eq 0 ] || fail "exit code $code after SIGINT"
grep -qi "X connection\|broken\|did not stop" err.txt && fail "err.txt tells of an unclean end"
still_running "$server" && fail "the display server outlived the runner"
still_running "$players" && fail "the game outlived the runner"
still_running "$keeper" && fail "the game's keeper outlived the runner"
echo "ended with 0 after SIGINT, err.txt clean, the display server gone"
