#!/usr/bin/env bash
# A script that never returns does not hold the game: SIGTERM breaks it off,
# its traceback goes to err.txt and the game shuts down in order with 0.
# Cases: an endless loop in everyloop() after 100 frames, an endless loop in
# a level's loadlevel(), and a loadlevel() that sleeps for a long time.
# Usage: hung_scripts.sh GAME
set -u
game="$1"
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
failures=0
fail() { echo "FAIL ($case): $*"; failures=$((failures + 1)); }

# Each main script counts its frames; "hung" appears when the script stops
# returning. At frame 100 the level ones go to the level module "hang".
main_script() {
    cat <<EOF
import ZOPAPI as Z
frames = 0
def initgame():
    pass
def everyloop():
    global frames
    frames += 1
    if frames == 100:
        $1
EOF
}
endless_everyloop='open("hung", "w").close()
        while True:
            pass'
to_level='Z.BuildTrigger(0, 2, 1, Z.AddSetNextLevelEvent("hang"), Z.AddWinEvent(), Z.AddTimeCondition(0.0))'

# Runs one case: $1 its name, $2 the text of everyloop's frame 100, $3 the
# level module (or nothing), $4 the function the traceback must name.
run_case() {
    case="$1"
    mkdir -p "$top/$case/Scripts"
    cd "$top/$case"
    ln -s "${TOLLYMOP_ROOT}/Assets" Assets
    main_script "$2" > Scripts/zop.py
    [ -n "$3" ] && printf '%s\n' "$3" > Scripts/hang.py
    "$game" &
    pid=$!
    for _ in $(seq 1 600); do [ -f hung ] && break; kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if [ ! -f hung ]; then
        fail "the script never hung: $(cat err.txt)"
        kill -KILL "$pid" 2>/dev/null
        wait "$pid"
        return
    fi
    sleep 0.5
    kill -TERM "$pid"
    # The script is broken off within a second; the shutdown that follows
    # takes what a shutdown takes (longer on a busy machine).
    local broken="" ended=""
    for _ in $(seq 1 10); do grep -q "^KeyboardInterrupt" err.txt && { broken=yes; break; }; sleep 0.1; done
    [ -n "$broken" ] || fail "the script was not broken off within a second of SIGTERM"
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || { ended=yes; break; }; sleep 0.1; done
    if [ -z "$ended" ]; then
        fail "still running 10 s after SIGTERM"
        kill -KILL "$pid"
    fi
    wait "$pid"
    code=$?
    [ -n "$ended" ] && [ "$code" -ne 0 ] && fail "exit code $code"
    grep -q "^KeyboardInterrupt" err.txt || fail "no KeyboardInterrupt in err.txt: $(cat err.txt)"
    grep -q "in $4$" err.txt || fail "the traceback does not name $4: $(cat err.txt)"
}

run_case everyloop "$endless_everyloop" "" everyloop
run_case loadlevel "$to_level" 'def loadlevel():
    open("hung", "w").close()
    while True:
        pass' loadlevel
run_case slow-loadlevel "$to_level" 'import time
def loadlevel():
    open("hung", "w").close()
    time.sleep(30)' loadlevel

[ "$failures" -eq 0 ] && echo "SIGTERM broke off every hung script"
exit $((failures > 0))
