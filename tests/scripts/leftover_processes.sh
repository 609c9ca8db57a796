#!/usr/bin/env bash
# No process that a script started outlives the game, however the game ends:
# by os._exit, killed outright, or by a crash, or by an end signal to its
# keeper; not one in a session of its own, not one that blocks SIGTERM, not
# a fork bomb. What the test started (the game's keeper) ends as the game
# did: with its code, or by its signal. Each case prints its status and the
# time from the end (the signal, or the word to end) to the keeper's.
# Usage: leftover_processes.sh GAME
set -u
game="$1"
. "$(dirname "$0")/common.sh"
. "$(dirname "$0")/cases.sh"
# A fork bomb whose keeper failed to end it must not outlive the test: each
# runs in a process group of its own, frozen whole and then killed.
end_bomb() {
    pgrep -g "$1" > /dev/null || return 0
    kill -STOP -- "-$1" 2>/dev/null
    kill -KILL -- "-$1" 2>/dev/null
}
end_bombs() {
    local bomb
    for bomb in "$scratch"/*/bomb; do [ -s "$bomb" ] && end_bomb "$(cat "$bomb")"; done
}
trap 'end_bombs; end_started; rm -rf "$scratch"' EXIT

# The process that runs tollymop-game: $1 or a child of $1.
game_process() {
    local process
    for process in "$1" $(pgrep -P "$1"); do
        [ "/proc/$process/exe" -ef "$game-game" ] && { echo "$process"; return; }
    done
}

# Runs one case in a folder of its own: $1 its name, $2 the end ("go" for the
# script to end the game itself, a signal for the game's process, or
# "keeper-" and a signal for the keeper), $3 the status expected (or those
# that may be, as "0|1"), $4 what the script does at its tenth frame: it
# starts the processes, writes their pids into "children" (and the process
# group of a fork bomb into "bomb") and says "ready", then waits for the
# word to end the game ("go"), if that is how it ends.
run_case() {
    case="$1"
    local end="$2" expected="$3"
    mkdir -p "$scratch/$case/Scripts"
    lay_out_game_files "$scratch/$case"
    cd "$scratch/$case"
    {
        printf 'import ctypes, os, signal, subprocess, time\nframes = 0\ndef everyloop():\n    global frames\n'
        printf '    frames += 1\n    if frames == 10:\n'
        sed 's/^/        /' <<< "$4"
    } > Scripts/zop.py
    # A crash leaves no core file behind.
    (ulimit -c 0 && exec "$game") > terminal.txt 2>&1 &
    local pid=$! child
    if ! wait_until "$pid" 120 test -f ready; then
        fail "the script did not get ready: $(cat err.txt terminal.txt)"
        kill -KILL $(game_process "$pid") "$pid" $(cat children 2>/dev/null) 2>/dev/null
        wait "$pid"
        return
    fi
    local sent=$(date +%s%N)
    case "$end" in
        go) touch go ;;
        keeper-*) kill -"${end#keeper-}" "$pid" ;;
        *) kill -"$end" "$(game_process "$pid")" ;;
    esac
    ends_within "$pid" 60 || { fail "still running 60 s after the end"; kill -KILL "$pid"; }
    local took=$(( ($(date +%s%N) - sent) / 1000000 ))
    wait "$pid"
    local code=$?
    [[ "$code" =~ ^($expected)$ ]] || fail "exit code $code, not $expected: $(cat err.txt terminal.txt)"
    for child in $(cat children); do
        still_running "$child" || continue
        fail "process $child ($(tr '\0' ' ' < "/proc/$child/cmdline")) outlived the game"
        kill -KILL "$child"
    done
    local left=""
    [ -s bomb ] && left=$(pgrep -c -g "$(cat bomb)")
    if [ -n "$left" ] && [ "$left" -gt 0 ]; then
        fail "$left processes of the fork bomb outlived the game"
        end_bomb "$(cat bomb)"
    fi
    echo "$case: exit $code, ended ${took} ms after the end"
}

wait_for_go='while not os.path.exists("go"):
    time.sleep(0.01)'

run_case exit go 0 "open(\"children\", \"w\").write(str(subprocess.Popen([\"sleep\", \"600\"]).pid))
open(\"ready\", \"w\").close()
$wait_for_go
os._exit(0)"
# A grandchild in a session and process group of its own; SIGKILL ends the
# game with 137, as a shell reports death by signal 9.
run_case killed KILL 137 'subprocess.Popen("setsid sleep 600 & echo $! $$ > children; touch ready; wait", shell=True)'
# A child forked from the game that blocks SIGTERM; the crash (SIGSEGV)
# reports 139 (the address sanitizer takes the fault itself and exits 1).
crashed=139
ldd "$game-game" 2>/dev/null | grep -q libasan && crashed=1
run_case crash go "$crashed" "child = os.fork()
if child == 0:
    signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM])
    while True:
        time.sleep(1)
open(\"children\", \"w\").write(str(child))
open(\"ready\", \"w\").close()
$wait_for_go
ctypes.string_at(0)"

# A fork bomb: a script's child becomes user nobody, caps the processes it
# may have at 300 (where the test is not root, at 300 more than the user
# has) and forks in a loop. Once the game has ended, whether killed outright
# or by an end signal to its keeper (in order, or at its deadline where the
# bomb slows the machine), nothing of the bomb is left.
bomb='bomb = os.fork()
if bomb == 0:
    os.setpgid(0, 0)
    mine = 0
    if os.getuid() == 0:
        os.setgid(65534)
        os.setuid(65534)
    else:
        for process in filter(str.isdigit, os.listdir("/proc")):
            try:
                if os.stat("/proc/" + process).st_uid == os.getuid():
                    mine += len(os.listdir("/proc/" + process + "/task"))
            except OSError:
                pass
    resource.setrlimit(resource.RLIMIT_NPROC, (mine + 300, mine + 300))
    while True:
        try:
            os.fork()
        except OSError:
            time.sleep(0.05)
os.setpgid(bomb, bomb)
open("bomb", "w").write(str(bomb))
open("children", "w").write(str(bomb))
until = time.monotonic() + 30
while int(subprocess.run(["pgrep", "-c", "-g", str(bomb)], capture_output=True, text=True).stdout or 0) < 100 and time.monotonic() < until:
    time.sleep(0.05)
open("ready", "w").close()'
run_case fork-bomb-killed KILL 137 "import resource
$bomb"
run_case fork-bomb-keeper-term keeper-TERM "0|1" "import resource
$bomb"

exit $((failures > 0))
