#!/usr/bin/env bash
# How the game ends when it cannot start, tried as a new user would.
# Usage: start_failures.sh GAME
# Each case runs the game in a fresh folder with the assets linked in.
set -u
game="$1"
. "$(dirname "$0")/cases.sh"

# A fresh working folder for one case, entered.
fresh() {
    case="$1"
    mkdir -p "$top/$case"
    cd "$top/$case"
    ln -s "${TOLLYMOP_ROOT}/Assets" Assets
}

# Waits up to $2 seconds for process $1 to end.
ends_within() {
    for _ in $(seq 1 $(($2 * 10))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}

# A "zenity" that SDL starts to show a message box on X11 and that, like a
# box nobody answers, waits.
mkdir -p "$top/bin"
printf '#!/bin/sh\nexec sleep 600\n' > "$top/bin/zenity"
chmod +x "$top/bin/zenity"

# No display at all and no driver asked for: exit 1 at once, saying why on
# the terminal.
fresh no-display
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 60 "$game" > terminal.txt 2>&1
code=$?
[ "$code" -eq 1 ] || fail "exit code $code"
grep -q "No display" terminal.txt || fail "the terminal does not say why: $(cat terminal.txt)"
grep -q "No display" err.txt || fail "err.txt does not say why"

# A fatal error at start under Xvfb, as `make run` starts the game without a
# display: nobody could answer a box, so it ends by itself with 1, the text
# on the terminal and once in err.txt, after the line that says what was
# wrong with the settings file.
fresh unattended
echo "RESOLUTION = -640 x 480" > settings.txt
PATH="$top/bin:$PATH" TOLLYMOP_UNATTENDED=1 timeout 90 xvfb-run -a env -u SDL_VIDEODRIVER "$game" > terminal.txt 2>&1
code=$?
[ "$code" -eq 1 ] || fail "exit code $code"
grep -q "Settings could not load" terminal.txt || fail "the terminal lacks the fatal text: $(cat terminal.txt)"
[ "$(grep -c "Settings could not load" err.txt)" -eq 1 ] || fail "the fatal text is not in err.txt once: $(cat err.txt)"
head -1 err.txt | grep -q '^settings.txt: line 1: RESOLUTION: "-640"' || fail "err.txt does not start with the fault"
[ "$(cat settings.txt)" = "RESOLUTION = -640 x 480" ] || fail "the settings file was changed"

# The same with someone at the display: the box waits for a click, and
# SIGTERM still ends the game, with 1, leaving no box behind. SDL shows the
# box from a child process (its own fork, or zenity: here a stand-in that
# waits like an unanswered box).
fresh box
echo "RESOLUTION = -640 x 480" > settings.txt
PATH="$top/bin:$PATH" timeout 90 xvfb-run -a sh -c 'echo $$ > game.pid; exec env -u SDL_VIDEODRIVER "$0"' "$game" \
    > terminal.txt 2>&1 &
runner=$!
# The fatal text reaches err.txt just before the box goes up.
for _ in $(seq 1 600); do grep -q "Settings could not load" err.txt 2>/dev/null && break; sleep 0.1; done
# The box's process follows; a loaded machine may take a while to start it.
pid=$(cat game.pid 2>/dev/null)
box=""
for _ in $(seq 1 300); do
    [ -n "$pid" ] && box=$(pgrep -P "$pid" 2>/dev/null)
    [ -n "$box" ] && break
    sleep 0.1
done
sleep 0.5
if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && [ -n "$box" ]; then
    kill -TERM "$pid"
    ends_within "$pid" 10 || fail "SIGTERM did not end the game while its box was up"
    wait "$runner"
    code=$?
    [ "$code" -eq 1 ] || fail "exit code $code after SIGTERM during the box"
    # A killed box may linger as a zombie until its new parent reaps it.
    for b in $box; do
        state=$(ps -o stat= -p "$b" 2>/dev/null)
        [ -n "$state" ] && [ "${state#Z}" = "$state" ] && { fail "the box's process $b outlived the game"; kill -KILL "$b"; }
    done
else
    fail "the game did not wait at a box: $(cat terminal.txt)"
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    wait "$runner"
fi

# err.txt that cannot be written (here a folder of that name): said once on
# the terminal, and the game runs.
fresh no-err-file
mkdir err.txt
"$game" > terminal.txt 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the game did not run"
kill -TERM "$pid"
wait "$pid"
code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
[ "$(grep -c "err.txt cannot be written here (Is a directory)" terminal.txt)" -eq 1 ] ||
    fail "not said once on the terminal: $(cat terminal.txt)"
grep -q "earlier run" terminal.txt && fail "a folder is taken for an earlier run's err.txt: $(cat terminal.txt)"

# A stale err.txt from an earlier run is emptied at the start.
fresh stale
echo "an old error" > err.txt
"$game" > terminal.txt 2>&1 &
pid=$!
sleep 3
kill -TERM "$pid"
wait "$pid"
grep -q "an old error" err.txt && fail "the old err.txt was kept"

[ "$failures" -eq 0 ] && echo "every start failure ended as it should"
exit $((failures > 0))
