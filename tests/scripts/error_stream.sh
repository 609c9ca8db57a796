#!/usr/bin/env bash
# Everything written to the process's descriptor 2 goes through the error
# log, and a log that cannot be written goes to the terminal, said once.
# Usage: error_stream.sh GAME
set -u
game="$1"
. "$(dirname "$0")/common.sh"
. "$(dirname "$0")/cases.sh"

# A fresh working folder for one case, entered, with its main script.
fresh() {
    case="$1"
    mkdir -p "$scratch/$case"
    lay_out_game_files "$scratch/$case"
    cd "$scratch/$case"
    mkdir Scripts
    cat > Scripts/zop.py
}

# Runs the game until its script has written the file "done", then ends it
# with SIGTERM; its terminal in terminal.txt.
run_until_done() {
    "$game" > terminal.txt 2>&1 &
    local pid=$!
    wait_until "$pid" 120 test -f done || fail "the script did not get to its end: $(head -c 2000 err.txt terminal.txt)"
    kill -TERM "$pid" 2>/dev/null
    ends_within "$pid" 60 || fail "still running 60 s after SIGTERM"
    wait "$pid"
    code=$?
    [ "$code" -eq 0 ] || fail "exit code $code"
}

# 100 frames, each writing a 200 KB line to descriptor 2 and a line from a
# child process and one from the interpreter's own stderr; at the end of the
# interpreter, one more without a line end. err.txt keeps the first of each,
# cut at 64 KB, and counts the rest.
fresh flood <<'PY'
import atexit, os, sys
frames = 0
def initgame():
    atexit.register(lambda: os.write(2, b"last words"))
def everyloop():
    global frames
    frames += 1
    if frames > 100:
        open("done", "w").close()
        return
    os.write(2, b"x" * 200000 + b"\n")
    os.system("echo from a child >&2")
    sys.__stderr__.write("from the interpreter's own stderr\n")
    sys.__stderr__.flush()
PY
run_until_done
size=$(stat -c %s err.txt)
[ "$size" -lt 200000 ] || fail "err.txt holds $size bytes"
grep -q "^\[The message above was cut: 134465 more bytes were left out.\]$" err.txt || fail "the huge line is not cut"
grep -q "^Repeated .* more times: xxxx" err.txt || fail "the huge line is not counted"
grep -q "^from a child$" err.txt || fail "the child's line is missing"
grep -q "^from the interpreter's own stderr$" err.txt || fail "the interpreter's line is missing"
grep -q "^last words$" err.txt || fail "what came at the very end is missing: $(tail -c 300 err.txt)"

# err.txt on a full disk (/dev/full answers every write with ENOSPC): the
# terminal is told once and gets the errors, from the engine's log and from
# descriptor 2 alike.
fresh full-disk <<'PY'
import os
frames = 0
def everyloop():
    global frames
    frames += 1
    if frames == 3:
        os.write(2, b"written to descriptor 2\n")
        raise ValueError("lost on a full disk")
    if frames == 10:
        open("done", "w").close()
PY
ln -s /dev/full err.txt
run_until_done
[ "$(grep -c "err.txt cannot be written here (No space left on device)" terminal.txt)" -eq 1 ] ||
    fail "not said once on the terminal: $(cat terminal.txt)"
grep -q "ValueError: lost on a full disk" terminal.txt || fail "the error is not on the terminal"
grep -q "written to descriptor 2" terminal.txt || fail "descriptor 2's line is not on the terminal"

[ "$failures" -eq 0 ] && echo "descriptor 2 and a full disk went through the error log"
exit $((failures > 0))
