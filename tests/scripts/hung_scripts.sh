#!/usr/bin/env bash
# An end signal ends the game whatever its script does. A script broken off
# by the first SIGTERM or SIGINT leaves its traceback in err.txt and the game
# shuts down in order with 0; one that swallows the interrupt, or loops where
# no interrupt is looked at, or a second signal (0.3 s or more after the
# first: one stop sent to the whole group arrives twice, and is one), ends
# it at once with 1 and one line saying so. Threads a script left running
# never hold the end.
# Each case prints its exit code and the time from the signal to the end.
# The game's child processes never outlive it, and a SIGTERM at its very
# start ends it in order too.
# Usage: hung_scripts.sh GAME SLOW_READS_LIBRARY
set -u
game="$1"
slow_reads="$2"
. "$(dirname "$0")/common.sh"
top="$scratch"

to_level='Z.BuildTrigger(0, 2, 1, Z.AddSetNextLevelEvent("hang"), Z.AddWinEvent(), Z.AddTimeCondition(0.0))'
# Says "caught" for each interrupt it swallows: a second signal is sent
# only after the first has come through.
swallowing='while True:
    try:
        open("hung", "w").close()
        while True:
            time.sleep(0.01)
    except:
        open("caught", "w").close()'

# Runs one case: $1 its name, $2 the signals sent one after the other ("-"
# for none: the script ends the game itself; "group:TERM" sends SIGTERM to
# the game's whole process group, as `kill -TERM -- -PGID` does), $3 the
# exit code, $4 what err.txt must hold (extended regular expressions, one a
# line), $5 the main script, $6 the level module "hang" (or nothing), $7 a
# command that sets the case's folder up (or nothing), $8 how the game
# starts: "group" leading a process group of its own, "timeout" under
# `timeout` (whose SIGTERM goes on to the game and to its whole group), or
# (nothing) as a child of this script. Each signal after the first waits for
# the script to say "caught", and until 0.3 s have passed since the one
# before: sooner, it would be a copy of the same stop. A process whose pid
# the script wrote to the file "child" must not outlive the game.
run_case() {
    local case="$1" signals="$2" expected="$3" patterns="$4"
    local dir="$top/$case" results="$top/$case.result"
    mkdir -p "$dir/Scripts"
    lay_out_game_files "$dir"
    cd "$dir"
    printf '%s\n' "$5" > Scripts/zop.py
    [ -n "${6:-}" ] && printf '%s\n' "$6" > Scripts/hang.py
    # The setup may give the game (and only the game) an environment.
    local game_env=""
    [ -n "${7:-}" ] && eval "$7"
    local start=()
    case "${8:-}" in
        group) start=(setsid) ;;
        timeout) start=(timeout 600) ;;
    esac
    # A background job starts with SIGINT ignored, which the game keeps.
    "${start[@]}" env --default-signal=INT $game_env "$game" &
    local pid=$!
    if ! wait_until "$pid" 60 test -f hung; then
        echo "FAIL ($case): the script never hung: $(cat err.txt)" >> "$results"
        kill -KILL "$pid" 2>/dev/null
        wait "$pid"
        end_leftovers
        return
    fi
    local sent=$(date +%s%N) last=""
    for signal in $signals; do
        if [ -n "$last" ]; then
            wait_until "$pid" 60 test -f caught
            wait_until "$pid" 60 passed_since "$last" 300
        fi
        last=$(date +%s%N)
        case "$signal" in
            -) ;;
            group:*) kill -"${signal#group:}" -- -"$pid" ;;
            *) kill -"$signal" "$pid" ;;
        esac
    done
    # Generous: the end after the signal takes what a shutdown takes, and
    # the machine may be busy.
    local ended took code
    await_end "$pid" 90 "$sent"
    {
        if [ -z "$ended" ]; then
            echo "FAIL ($case): still running 90 s after the signal"
        elif [ "$code" -ne "$expected" ]; then
            echo "FAIL ($case): exit code $code, not $expected: $(cat err.txt)"
        fi
        while IFS= read -r pattern; do
            grep -Eq "$pattern" err.txt || echo "FAIL ($case): no \"$pattern\" in err.txt: $(cat err.txt)"
        done <<< "$patterns"
        if [ -f child ] && still_running "$(cat child)"; then
            echo "FAIL ($case): the script's child process outlived the game"
            kill -KILL "$(cat child)"
        fi
        echo "$case: exit $code, ended ${took} ms after the first signal"
    } >> "$results"
    end_leftovers
}

# Whether $2 milliseconds have passed since $1 (a time in nanoseconds).
passed_since() {
    [ $(( ($(date +%s%N) - $1) / 1000000 )) -ge "$2" ]
}

# What the case's setup left running, and the script's child process.
end_leftovers() {
    kill $(jobs -p) 2>/dev/null
    if [ -f child ] && still_running "$(cat child)"; then kill -KILL "$(cat child)"; fi
}

# A SIGTERM at the very start of the game, while it is still loading its
# libraries, ends it in order with 0, not by the signal. It is sent as soon
# as the process image is the one started (the game's keeper, which passes
# the signal on) and either holds SIGTERM back, catches it or has begun to
# load a library: before that it is in its first
# instructions, where no program can take a signal (on a busy machine it may
# wait there long for a processor). Three starts.
early_signal() {
    local dir="$top/early-signal" results="$top/early-signal.result" codes=""
    mkdir -p "$dir/Scripts"
    lay_out_game_files "$dir"
    cd "$dir"
    printf 'def initgame():\n    pass\n' > Scripts/zop.py
    for _ in 1 2 3; do
        "$game" &
        local pid=$! key value held=0
        while [ -e "/proc/$pid/exe" ] && [ "/proc/$pid/exe" -ef "$BASH" ]; do :; done
        while [ "$held" = 0 ] && still_running "$pid"; do
            while read -r key value; do
                case "$key" in SigBlk: | SigCgt:) (( 0x$value & 0x4000 )) && held=1 ;; esac
            done < "/proc/$pid/status" 2>/dev/null
            grep -qs '\.so' "/proc/$pid/maps" && held=loading
        done
        kill -TERM "$pid"
        ends_within "$pid" 90 || kill -KILL "$pid"
        wait "$pid"
        local code=$?
        codes="$codes $code"
        [ "$code" -eq 0 ] || echo "FAIL (early-signal): exit code $code, not 0: $(cat err.txt 2>/dev/null)" >> "$results"
    done
    echo "early-signal: exit codes$codes" >> "$results"
}

# The setup of a case whose character file "Slow" lies on a disk that
# stalls: the game's first read of it waits $1 s (the library loaded for
# that says "hung" once the read has begun). Where the game carries the
# address sanitizer, its runtime must come first among the libraries.
slow_character() {
    local asan
    asan=$(ldd "$game-game" 2>/dev/null | awk '/libasan/ { print $3 }')
    echo 'cp Assets/Characters/Pebble.x Assets/Characters/Slow.x &&
          game_env="LD_PRELOAD='"${asan:+$asan:}$slow_reads"' TOLLYMOP_SLOW_FILE=/Characters/Slow.x TOLLYMOP_SLOW_SECONDS='"$1"'"' 
}

interrupted='^KeyboardInterrupt'
held='^Error: The script did not stop within 3 s of the end signal: the game ends at once\.$'
# Stuck in Python, in a level, and in the main module's import.
run_case everyloop TERM 0 "$interrupted
in everyloop$" "$(main_script <<< 'open("hung", "w").close()
while True:
    pass')" &
run_case loadlevel TERM 0 "$interrupted
in loadlevel$" "$(main_script <<< "$to_level")" 'def loadlevel():
    open("hung", "w").close()
    while True:
        pass' &
run_case slow-loadlevel TERM 0 "$interrupted
in loadlevel$" "$(main_script <<< "$to_level")" 'import time
def loadlevel():
    open("hung", "w").close()
    time.sleep(30)' &
run_case import TERM 0 "$interrupted
in <module>$" 'open("hung", "w").close()
while True:
    pass' &
wait
# Waiting in a system call.
for call in 'pipe-read:os.read(os.pipe()[0], 1)' 'socket-recv:ends = socket.socketpair(); ends[0].recv(1)' \
            'subprocess-run:subprocess.run(["sleep", "600"])' 'event-wait:threading.Event().wait()' \
            'lock-acquire:lock = threading.Lock(); lock.acquire(); lock.acquire()'; do
    run_case "${call%%:*}" TERM 0 "$interrupted" "$(main_script <<< "open(\"hung\", \"w\").close()
${call#*:}")" &
done
wait
# Threads left running, at SIGTERM and at the script's own quit.
run_case thread-at-signal TERM 0 "still running at the end \\(sleeper\\)" "$(main_script <<< 'threading.Thread(target=time.sleep, args=(600,), name="sleeper").start()
open("hung", "w").close()')" &
run_case thread-at-quit - 0 "still running at the end \\(spinner\\)" "$(main_script <<< 'threading.Thread(target=lambda: [time.sleep(0.01) for _ in iter(int, 1)], name="spinner").start()
Z.BuildTrigger(0, 2, 1, Z.AddQuitGameEvent(), Z.AddTimeCondition(0.0))
open("hung", "w").close()')" &
# The interrupt swallowed, ignored, handled by the script, never looked at;
# a second signal.
run_case bare-except TERM 1 "$held" "$(main_script <<< "$swallowing")" &
run_case sigint-ignored INT 1 "$held" "$(main_script <<< "signal.signal(signal.SIGINT, signal.SIG_IGN)
$swallowing")" &
wait
run_case own-handlers TERM 1 "$held" "$(main_script <<< 'signal.signal(signal.SIGINT, lambda *_: None)
signal.signal(signal.SIGTERM, lambda *_: None)
open("hung", "w").close()
while True:
    time.sleep(0.01)')" &
# The loop in C says "hung" itself (a rename called from within it), so that
# no signal can come before it, while the script still looks at interrupts.
run_case loop-in-c TERM 1 "$held" "$(main_script <<< 'open("hung.tmp", "w").close()
collections.deque(itertools.chain(map(os.rename, ["hung.tmp"], ["hung"]), itertools.count()), maxlen=0)')" &
run_case second-signal "TERM TERM" 1 \
    '^Error: The script did not stop before a second end signal: the game ends at once\.$' \
    "$(main_script <<< "$swallowing")" &
wait
# One stop sent to the whole process group (`kill -- -PGID`, a service
# manager's stop, `timeout`) reaches both the keeper and the game, and the
# keeper passes its copy on: the game counts one stop and ends in order. A
# second stop 0.3 s on ends it at once.
run_case group-stop group:TERM 0 "" "$(main_script <<< 'open("hung", "w").close()')" "" "" group &
run_case timeout-stop TERM 0 "" "$(main_script <<< 'open("hung", "w").close()')" "" "" timeout &
run_case group-second-stop "group:TERM group:TERM" 1 \
    '^Error: The script did not stop before a second end signal: the game ends at once\.$' \
    "$(main_script <<< "$swallowing")" "" "" group &
wait
# Signals that the script blocks, through Python and beneath it (the thread
# that owns them takes them all the same); a command that os.system waits
# for, ended by SIGINT; a child process left running.
run_case blocked-signals TERM 0 "$interrupted" "$(main_script <<< 'signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
open("hung", "w").close()
time.sleep(600)')" &
run_case blocked-beneath-python TERM 0 "$interrupted" "$(main_script <<< 'import ctypes
libc = ctypes.CDLL(None)
mask = ctypes.create_string_buffer(128)
libc.sigemptyset(mask); libc.sigaddset(mask, signal.SIGTERM); libc.sigaddset(mask, signal.SIGINT)
libc.pthread_sigmask(signal.SIG_BLOCK, mask, None)
open("hung", "w").close()
while True:
    pass')" &
run_case os-system INT 0 "$interrupted" "$(main_script <<< 'open("hung", "w").close()
os.system("echo $$ > child; exec sleep 600")')" &
run_case child-left TERM 0 "" "$(main_script <<< 'subprocess.Popen("sleep 600 & echo $! > child", shell=True)
open("hung", "w").close()')" &
wait
# Handlers and masks that a script installs beneath Python (faulthandler,
# ctypes) leave the end signals the game's; a broken pipe, the game's own
# standard output or a socket's, is an error for the script that wrote,
# while the game goes on, and the game's children get the signals back as
# any program starts with them.
run_case faulthandler TERM 0 "" "$(main_script <<< 'import faulthandler, sys
faulthandler.register(signal.SIGTERM, file=sys.__stderr__)
faulthandler.register(signal.SIGINT, file=sys.__stderr__)
open("hung", "w").close()')" &
run_case ignored-beneath-python INT 0 "" "$(main_script <<< 'import ctypes
libc = ctypes.CDLL(None)
libc.signal(signal.SIGTERM, ctypes.c_void_p(1))
action = ctypes.create_string_buffer(256)
ctypes.memmove(action, ctypes.byref(ctypes.c_void_p(1)), ctypes.sizeof(ctypes.c_void_p))
libc.sigaction(signal.SIGINT, action, None)
open("hung", "w").close()')" &
run_case broken-pipes TERM 0 "^BrokenPipeError from the socket$
^BrokenPipeError: \\[Errno 32\\] Broken pipe
^children: pipe default, end signals open$" "$(main_script <<< 'ends = socket.socketpair()
ends[1].close()
try:
    ends[0].send(b"x")
except OSError as error:
    print(type(error).__name__, "from the socket", file=sys.stderr)
os.system("grep -E \"^Sig(Blk|Ign)\" /proc/self/status > masks")
masks = open("masks").read()
# No shell in between, which would open the signals itself.
masks += subprocess.run(["grep", "-E", "^Sig(Blk|Ign)", "/proc/self/status"], stdout=subprocess.PIPE, text=True).stdout
held = [line for line in masks.splitlines() if int(line.split()[1], 16) & (1 << 12 | 1 << 1 | 1 << 14)]
print("children:", "pipe default, end signals open" if not held else held, file=sys.stderr)
global everyloop
reader, writer = os.pipe()
os.close(reader)
os.dup2(writer, 1)
sys.stdout = open(1, "w", buffering=1, closefd=False)
def everyloop():
    global frames
    frames += 1
    if frames == 110:
        open("hung", "w").close()
    print("frame", frames)')" &
wait
# The engine module called by a thread once the end began; a frame of the
# engine's own that takes 2 s (it reads a character file that comes late)
# after the signal, which ends in order; the engine's work for a script's
# call that outlasts the 3 s (a character file that never comes), named as
# such; a script error whose text never ends.
run_case engine-after-end TERM 0 '^RuntimeError: the game is ending' "$(main_script <<< 'def call_on():
    while True:
        Z.GetGameTime()
threading.Thread(target=call_on, name="caller").start()
open("hung", "w").close()')" &
run_case slow-engine-frame TERM 0 "" "$(main_script <<< 'Z.BuildTrigger(0, 1, 1, Z.AddCreateNPCEvent(7000, (0.0, 1.0, 0.0), 0.0, 0.0, 1.0, 0.0, 1.0, 0, 0, "Slow"), Z.AddTimeCondition(0.0))')" "" \
    "$(slow_character 2)" &
run_case slow-engine-call TERM 1 \
    '^Error: The game did not end within 3 s of the end signal \(calling ZOPAPI\.AddGlobalNPC, reading .*/Characters/Slow\.x\): it ends at once\.$' \
    "$(main_script <<< 'Z.AddGlobalNPC(7000, (0.0, 1.0, 0.0), 0.0, 0.0, 1.0, 0.0, 1.0, "Slow")')" "" \
    "$(slow_character 60)" &
run_case endless-error-text TERM 0 '^Error: A script raised zop\.Endless, which could not be formatted' "$(main_script <<< 'class Endless(Exception):
    def __str__(self):
        open("hung", "w").close()
        while True:
            pass
raise Endless()')" &
early_signal &
wait
# Python that runs outside the script's own call: a finalizer of what
# everyloop or a condition's function returns, or of a local kept by a
# traceback, and a key of zop's globals whose __eq__ the engine's lookup of
# "everyloop" meets. Each is broken off as a script is.
looping='class Looping:
    def __del__(self):
        open("hung", "w").close()
        while True:
            pass'
run_case result-finalizer TERM 0 "$interrupted" "$(main_script <<< "$looping
return Looping()")" &
run_case condition-finalizer TERM 0 "$interrupted" "$(main_script <<< "$looping
global asked
asked = lambda: Looping()
Z.BuildTrigger(0, 2, 1, Z.AddQuitGameEvent(), Z.AddPyFuncCondition(\"asked\"))")" &
run_case traceback-finalizer TERM 0 "$interrupted
^ValueError: kept$" "$(main_script <<< "$looping
kept = Looping()
raise ValueError('kept')")" &
run_case lookup-eq TERM 0 "$interrupted
in __eq__$" "$(main_script <<< 'class Key:
    armed = False
    def __hash__(self):
        return hash("everyloop")
    def __eq__(self, other):
        while Key.armed:
            open("hung", "w").close()
        return False
g = globals()
f = g.pop("everyloop")
g[Key()] = 0
g["everyloop"] = f
Key.armed = True')" &
wait
# Whatever else the main thread runs, the game ends 5 s after the signal,
# naming it: a frame of the engine's own (two 64 x 64 trampolines laid on
# each other), a file that never comes read outside a script's call. The
# game's own quit keeps the same deadline: a worker process the script left
# running is ended, and said, before the interpreter would wait for it; an
# exit handler that sleeps is named 3 s on.
run_case engine-frame TERM 1 \
    '^Error: The game did not end within 5 s of the end signal \(running the physics step\): it ends at once\.$' \
    "$(main_script <<< 'for trampoline in (1, 2):
    Z.AddRectTramp(trampoline, (0.0, 5.0, 0.0), 64, 64, 1.0, 0.0, 0.0, 0.0)
open("hung", "w").close()')" &
run_case slow-read-in-frame TERM 1 \
    '^Error: The game did not end within 5 s of the end signal \(reading .*/Characters/Slow\.x\): it ends at once\.$' \
    "$(main_script <<< 'Z.BuildTrigger(0, 1, 1, Z.AddCreateNPCEvent(7000, (0.0, 1.0, 0.0), 0.0, 0.0, 1.0, 0.0, 1.0, 0, 0, "Slow"), Z.AddTimeCondition(0.0))')" "" \
    "$(slow_character 60)" &
quit_event='Z.BuildTrigger(0, 2, 1, Z.AddQuitGameEvent(), Z.AddTimeCondition(0.0))'
run_case worker-at-quit - 0 \
    "^Error: The script's processes were still running at the end \\(sleeper\\): the game ended them\\.\$" \
    "$(main_script <<< "import multiprocessing
worker = multiprocessing.Process(target=time.sleep, args=(600,), name='sleeper')
worker.start()
open('child', 'w').write(str(worker.pid))
$quit_event
open('hung', 'w').close()")" &
run_case exit-handler-at-quit - 1 \
    "^Error: The game did not end within 3 s of its quit \\(shutting the game down, running the scripts' exit handlers\\): it ends at once\\.\$" \
    "$(main_script <<< "import atexit
atexit.register(time.sleep, 600)
$quit_event
open('hung', 'w').close()")" &
wait
cat "$top"/*.result
! grep -q '^FAIL' "$top"/*.result
