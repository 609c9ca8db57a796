#!/usr/bin/env bash
# How the game ends when it cannot start, tried as a new user would.
# Usage: start_failures.sh GAME
# Each case runs the game in a fresh folder with the game's files laid out;
# under Xvfb, on a display of its own (tools/on_xvfb.sh).
set -u
game="$1"
. "$(dirname "$0")/common.sh"
. "$(dirname "$0")/cases.sh"
on_xvfb="${TOLLYMOP_ROOT}/tools/on_xvfb.sh"

# A fresh working folder for one case, entered.
fresh() {
    case="$1"
    mkdir -p "$scratch/$case"
    lay_out_game_files "$scratch/$case"
    cd "$scratch/$case"
}

# A "zenity" that SDL starts to show a message box on X11 and that, like a
# box nobody answers, waits.
mkdir -p "$scratch/bin"
printf '#!/bin/sh\nexec sleep 600\n' > "$scratch/bin/zenity"
chmod +x "$scratch/bin/zenity"

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
PATH="$scratch/bin:$PATH" TOLLYMOP_UNATTENDED=1 "$on_xvfb" env -u SDL_VIDEODRIVER "$game" > terminal.txt 2>&1 &
runner=$!
if ends_within "$runner" 120; then
    wait "$runner"
    code=$?
    [ "$code" -eq 1 ] || fail "exit code $code: $(cat terminal.txt)"
else
    fail "still running after 120 s: $(cat terminal.txt)"
    end_started
fi
grep -q "Settings could not load" terminal.txt || fail "the terminal lacks the fatal text: $(cat terminal.txt)"
[ "$(grep -c "Settings could not load" err.txt)" -eq 1 ] || fail "the fatal text is not in err.txt once: $(cat err.txt)"
head -1 err.txt | grep -q '^settings.txt: line 1: RESOLUTION: "-640"' || fail "err.txt does not start with the fault"
[ "$(cat settings.txt)" = "RESOLUTION = -640 x 480" ] || fail "the settings file was changed"

# The same with someone at the display: the box waits for a click, and
# SIGTERM still ends the game, with 1, leaving no box behind. SDL shows the
# box from a child process: a fork of the game that draws its own X11 box
# where the server has the fonts for it (a desktop's has), otherwise zenity
# (here a stand-in that waits like an unanswered box). Someone is there
# whatever the user running the tests set for their own runs.
fresh box
echo "RESOLUTION = -640 x 480" > settings.txt
PATH="$scratch/bin:$PATH" "$on_xvfb" sh -c 'echo $$ > game.pid; exec env -u SDL_VIDEODRIVER -u TOLLYMOP_UNATTENDED "$0"' "$game" \
    > terminal.txt 2>&1 &
runner=$!
# The box is up once either runs under the game, however deep (the game may
# run as a child of the process started).
box_up() {
    pid=$(cat game.pid 2>/dev/null) && [ -n "$pid" ] &&
        box=$(descendants_of "$pid" | awk -F '\t' '
            $2 == "sleep" || ($2 == "tollymop-game" && $3 == "tollymop-game") { print $1 }') &&
        [ -n "$box" ]
}
pid="" box=""
if wait_until "$runner" 120 box_up; then
    kill -TERM "$pid"
    ends_within "$pid" 60 || fail "SIGTERM did not end the game while its box was up"
    ends_within "$runner" 60 || fail "the display runner did not end after the game"
    wait "$runner"
    code=$?
    [ "$code" -eq 1 ] || fail "exit code $code after SIGTERM during the box"
    # A killed box may linger as a zombie until its new parent reaps it.
    for b in $box; do
        still_running "$b" && { fail "the box's process $b outlived the game"; kill -KILL "$b"; }
    done
else
    fail "the game did not wait at a box: $(cat terminal.txt)"
fi
end_started

# err.txt that cannot be written (here a folder of that name): said once on
# the terminal, and the game runs.
fresh no-err-file
write_running_script .
mkdir err.txt
"$game" > terminal.txt 2>&1 &
pid=$!
wait_until "$pid" 120 test -f running || fail "the game did not run: $(cat terminal.txt)"
kill -TERM "$pid"
ends_within "$pid" 60 || fail "still running 60 s after SIGTERM"
wait "$pid"
code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
[ "$(grep -c "err.txt cannot be written here (Is a directory)" terminal.txt)" -eq 1 ] ||
    fail "not said once on the terminal: $(cat terminal.txt)"
grep -q "earlier run" terminal.txt && fail "a folder is taken for an earlier run's err.txt: $(cat terminal.txt)"

# A stale err.txt from an earlier run is emptied at the start.
fresh stale
write_running_script .
echo "an old error" > err.txt
"$game" > terminal.txt 2>&1 &
pid=$!
wait_until "$pid" 120 test -f running || fail "the game did not run: $(cat terminal.txt)"
kill -TERM "$pid"
ends_within "$pid" 60 || fail "still running 60 s after SIGTERM"
wait "$pid"
grep -q "an old error" err.txt && fail "the old err.txt was kept"

[ "$failures" -eq 0 ] && echo "every start failure ended as it should"
exit $((failures > 0))
