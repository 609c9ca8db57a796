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
work=$(mktemp -d)
group=""
trap '[ -n "$group" ] && kill -KILL -- "-$group" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- err.txt:"; cat err.txt 2>/dev/null; echo "--- terminal:"; cat terminal.txt; exit 1; }

# The game's working directory as `make run` has it: the shipped scripts,
# bindings and assets.
for item in Assets Scripts OnStartScript.txt; do ln -s "${TOLLYMOP_ROOT}/$item" "$work/$item"; done
mkdir -p "$work/SourceCode/Video"
ln -s "${TOLLYMOP_ROOT}/SourceCode/Video/Effects" "$work/SourceCode/Video/Effects"
cd "$work"

# A process group of its own, as a terminal's foreground job has (job
# control also leaves SIGINT to its default, where a plain background job
# would ignore it).
set -m
TOLLYMOP_UNATTENDED=1 "$runner" env -u SDL_VIDEODRIVER "$game" > terminal.txt 2>&1 &
group=$!
set +m

# The game is up once it has drawn frames for a while: its err.txt is
# written at start, the menu's music is a few seconds in.
for _ in $(seq 1 900); do [ -f err.txt ] && break; kill -0 "$group" 2>/dev/null || break; sleep 0.1; done
[ -f err.txt ] || fail "the game did not start"
sleep 4
server=$(pgrep -x Xvfb -P "$group")
players=$(pgrep -f -P "$group" -- "$game")
[ -n "$server" ] || fail "no display server under the runner"
[ -n "$players" ] || fail "no game under the runner"

kill -INT -- "-$group"
# A busy machine may take a while to end the game in order; a lost signal
# never ends it.
for _ in $(seq 1 600); do kill -0 "$group" 2>/dev/null || break; sleep 0.1; done
kill -0 "$group" 2>/dev/null && fail "the runner did not end within 60 s of SIGINT"
wait "$group"
code=$?
group=""
[ "$code" -eq 0 ] || fail "exit code $code after SIGINT"
grep -qi "X connection\|broken\|did not stop" err.txt && fail "err.txt tells of an unclean end"
kill -0 "$server" 2>/dev/null && fail "the display server outlived the runner"
kill -0 "$players" 2>/dev/null && fail "the game outlived the runner"
echo "ended with 0 after SIGINT, err.txt clean, the display server gone"
