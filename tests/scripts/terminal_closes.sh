#!/usr/bin/env bash
# The terminal closes under a game started in it: the kernel's hang-up goes
# to the leader of the terminal's session alone, and the game must still end
# in order, with nothing left of what ran in the session. Each case runs its
# command as the leader of a terminal of its own (a pseudo-terminal, as
# under `ssh -t host build/tollymop` or a terminal that runs the command
# itself) and closes it once the game runs its frames:
# - the keeper leads the session: it ends with the game's 0;
# - `make run` leads it, with no display (make, its shell, the display
#   runner with its Xvfb, the keeper and the game): make ends by the
#   hang-up once the game has ended in order.
# Each case prints the leader's status and the time from the close to its
# end.
# Usage: terminal_closes.sh GAME
set -u
game="$1"
. "$(dirname "$0")/common.sh"
. "$(dirname "$0")/cases.sh"

# Runs the command (from $1 on) as the leader of a session on a terminal of
# its own, writes the leader's pid into "leader", keeps reading what is
# written to the terminal (into terminal.txt), closes the terminal once the
# file "close" is there, and writes the leader's status, as a shell gives
# it, into "status" once the leader has ended.
on_terminal_of_its_own() {
    exec python3 -c '
import os, pty, select, sys
leader, terminal = pty.fork()
if leader == 0:
    os.execvp(sys.argv[1], sys.argv[1:])
open("leader", "w").write(str(leader))
with open("terminal.txt", "wb") as out:
    while not os.path.exists("close"):
        if select.select([terminal], [], [], 0.1)[0]:
            try:
                out.write(os.read(terminal, 65536))
            except OSError:
                break
os.close(terminal)
code = os.waitstatus_to_exitcode(os.waitpid(leader, 0)[1])
open("status", "w").write(str(code if code >= 0 else 128 - code))
' "$@"
}

# Runs one case in a folder of its own: $1 its name, $2 the leader's status
# expected, from $3 on the command that leads the session.
run_case() {
    case="$1"
    local expected="$2"
    shift 2
    local dir="$scratch/$case"
    mkdir -p "$dir"
    lay_out_game_files "$dir"
    write_running_script "$dir"
    cd "$dir"
    on_terminal_of_its_own "$@" &
    local driver=$!
    if ! wait_until "$driver" 120 test -f running; then
        fail "the game did not reach its frames: $(cat err.txt terminal.txt 2>/dev/null)"
        return
    fi
    # Everything in the session: what must not outlive the terminal.
    local session
    session=$(pgrep -s "$(cat leader)")
    local closed ended took code
    closed=$(date +%s%N)
    touch close
    await_end "$driver" 60 "$closed"
    [ -n "$ended" ] || fail "still running 60 s after the terminal closed"
    [ "$(cat status 2>/dev/null)" = "$expected" ] ||
        fail "status $(cat status 2>/dev/null), not $expected: $(cat err.txt terminal.txt)"
    grep -qi "did not\|X connection\|broken" err.txt && fail "err.txt tells of an unclean end: $(cat err.txt)"
    local pid
    for pid in $session; do
        still_running "$pid" || continue
        fail "process $pid ($(cat "/proc/$pid/comm")) outlived the terminal"
        kill -KILL "$pid"
    done
    echo "$case: status $(cat status 2>/dev/null), ended ${took} ms after the terminal closed"
}

run_case keeper-leads 0 "$game"
# `make run` from a folder laid out as the repository's root, the game
# already built (-o game); make ends by the hang-up it was sent, after its
# recipe has ended.
run_case make-run-leads 129 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
    sh -c 'ln -s "$1" build && ln -s "$2/tools" tools && exec make -f "$2/Makefile" -o game run' \
    sh "$(dirname "$game")" "$TOLLYMOP_ROOT"

exit $((failures > 0))
