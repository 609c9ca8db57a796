#!/usr/bin/env bash
# No process that a script started outlives the game, however the game ends:
# by os._exit, killed outright, or by a crash; not one in a session of its
# own, not one that blocks SIGTERM, not a fork bomb. What the test started (the game's keeper)
# ends as the game did: with its code, or by its signal. Each case prints its
# status and the time from the end (the signal, or the word to end) to the
# keeper's.
# Usage: leftover_processes.sh GAME
set -u
game="$1"
. "$(dirname "$0")/common.sh"
. "$(dirname "$0")/cases.sh"

# The process that runs tollymop-game: $1 or a child of $1.
game_process() {
    local process
    for process in "$1" $(pgrep -P "$1"); do
        [ "/proc/$process/exe" -ef "$game-game" ] && { echo "$process"; return; }
    done
}

# Runs one case in a folder of its own: $1 its name, $2 the end ("go" for the
# script to end the game itself, or a signal for the game's process), $3 the
# status expected, $4 what the script does at its tenth frame: it starts the
# processes, writes their pids into "children" and says "ready", then waits
# for the word to end the game ("go"), if that is how it ends.
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
    if [ "$end" = go ]; then touch go; else kill -"$end" "$(game_process "$pid")"; fi
    ends_within "$pid" 60 || { fail "still running 60 s after the end"; kill -KILL "$pid"; }
    local took=$(( ($(date +%s%N) - sent) / 1000000 ))
    wait "$pid"
    local code=$?
    [ "$code" -eq "$expected" ] || fail "exit code $code, not $expected: $(cat err.txt terminal.txt)"
    for child in $(cat children); do
        still_running "$child" || continue
        fail "process $child ($(tr '\0' ' ' < "/proc/$child/cmdline")) outlived the game"
        kill -KILL "$child"
    done
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

# A fork bomb that a script started: its processes become user nobody (when
# the test runs as root, whom no process limit binds) or stay this user,
# cap their user's processes at 300 more than run now, and fork in a loop,
# in a process group of their own; once it has grown, SIGTERM. The game
# ends in order, and no process of the bomb is left. Whatever happens, the
# test kills the bomb's group itself (a signal to a group reaches every
# member at once, so no fork outruns it).
bomb_group=""
end_bomb() {
    [ -n "$bomb_group" ] || return 0
    for _ in $(seq 1 50); do
        kill -KILL -- -"$bomb_group" 2>/dev/null || return 0
        sleep 0.1
    done
}
trap 'end_bomb; end_started; rm -rf "$scratch"' EXIT
cat > "$scratch/bomb.py" <<'EOF'
import os, resource, time
os.setpgid(0, 0)
def tasks_of(uid):
    count = 0
    for entry in os.listdir("/proc"):
        try:
            status = dict(line.split(":", 1) for line in open("/proc/%s/status" % entry) if ":" in line)
            if int(status["Uid"].split()[0]) == uid:
                count += int(status["Threads"])
        except (OSError, ValueError, KeyError):
            pass
    return count
user = 65534 if os.getuid() == 0 else os.getuid()
cap = tasks_of(user) + 300
resource.setrlimit(resource.RLIMIT_NPROC, (cap, cap))
if os.getuid() == 0:
    os.setgid(user)
    os.setuid(user)
while True:
    try:
        os.fork()
    except OSError:
        time.sleep(0.001)
EOF
run_case fork-bomb TERM 0 "bomb = subprocess.Popen([\"python3\", \"$scratch/bomb.py\"]).pid
open(\"bomb\", \"w\").write(str(bomb))
open(\"children\", \"w\").write(str(bomb))
def grown():
    members = 0
    for entry in os.listdir(\"/proc\"):
        try:
            members += entry.isdigit() and os.getpgid(int(entry)) == bomb
        except OSError:
            pass
    return members >= 250
deadline = time.monotonic() + 60
while not grown() and time.monotonic() < deadline:
    time.sleep(0.01)
open(\"ready\", \"w\").close()"
bomb_group=$(cat "$scratch/fork-bomb/bomb" 2>/dev/null)
if [ -n "$bomb_group" ] && pgrep -g "$bomb_group" > /dev/null; then
    fail "$(pgrep -g "$bomb_group" | wc -l) processes of the fork bomb outlived the game"
fi
grep -q "did not end within" "$scratch/fork-bomb/err.txt" && fail "no end in order: $(cat "$scratch/fork-bomb/err.txt")"
end_bomb

exit $((failures > 0))
