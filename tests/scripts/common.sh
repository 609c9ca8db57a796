# Sourced by every script that runs the whole game: a scratch folder of the
# script's own, the game's files laid out in a folder, waits for an event
# (with a bound far above what a busy machine takes, never a wait the test
# relies on), and the end of everything the script started, also when it
# fails or is interrupted.
scratch=$(mktemp -d)
trap 'end_started; rm -rf "$scratch"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The game's files in folder $1, as `make run` sees them from the repository
# root: the assets, and the effect sources that the procedural textures are
# compiled from. The folders the editors save into hold copies of the
# shipped files alone (those git tracks; every file outside a git checkout),
# so that an author's work saved there changes no test; the rest are links.
lay_out_game_files() {
    local dir="$1" entry
    mkdir -p "$dir/Assets"
    ln -s "${TOLLYMOP_ROOT}/SourceCode" "$dir/SourceCode"
    for entry in "${TOLLYMOP_ROOT}"/Assets/*; do
        case "${entry##*/}" in
            Characters | Animations | Surfaces) mkdir "$dir/Assets/${entry##*/}" ;;
            *) ln -s "$entry" "$dir/Assets/" ;;
        esac
    done
    local editors="Assets/Characters Assets/Animations Assets/Surfaces"
    (cd "${TOLLYMOP_ROOT}" && { git ls-files -z -- $editors 2>/dev/null || find $editors -type f -print0; } |
        xargs -0 -r cp --parents -t "$dir")
}

# A main script in folder $1 that says, with the file "running", that the
# game has reached its frames.
write_running_script() {
    mkdir -p "$1/Scripts"
    printf 'def everyloop():\n    open("running", "w").close()\n' > "$1/Scripts/zop.py"
}

# Whether process $1 runs (a zombie has ended).
still_running() {
    local state=""
    [ -r "/proc/$1/stat" ] && read -r _ _ state _ < "/proc/$1/stat" 2>/dev/null
    [ -n "$state" ] && [ "$state" != Z ]
}

# Waits until the command (from $3 on) succeeds while process $1 runs: false
# when the process ended without it, or after $2 seconds. (The command may
# set the caller's variables: these names are kept apart from theirs.)
wait_until() {
    local waited_pid="$1" waited_until=$((SECONDS + $2))
    shift 2
    until "$@"; do
        if ! still_running "$waited_pid" || [ "$SECONDS" -ge "$waited_until" ]; then
            "$@"
            return
        fi
        sleep 0.1
    done
}

# Whether process $1 ends within $2 seconds.
ends_within() {
    local deadline=$((SECONDS + $2))
    while still_running "$1"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# The processes under process $1, however deep, a line each: the pid, its
# name and its parent's name, tab-separated.
descendants_of() {
    ps -e -o pid= -o ppid= -o comm= | awk -v root="$1" '
        BEGIN { OFS = "\t" }
        { parent[$1] = $2; name[$1] = $0; sub(/^ *[0-9]+ +[0-9]+ /, "", name[$1]) }
        END {
            for (p in parent) {
                q = parent[p]
                while (q in parent && q != root && q > 1) q = parent[q]
                if (q == root) print p, name[p], name[parent[p]]
            }
        }'
}

# Waits up to $2 seconds for process $1 (a child of this shell) to end and
# kills it past that; sets ended ("yes", or empty when it was killed), took
# (milliseconds since $3, a time in nanoseconds) and code (its status).
await_end() {
    ended=""
    ends_within "$1" "$2" && ended=yes
    took=$(( ($(date +%s%N) - $3) / 1000000 ))
    [ -n "$ended" ] || kill -KILL "$1"
    wait "$1"
    code=$?
}

# Every process this script started, and theirs, however deep: some run in
# process groups of their own (the display runner's), which no signal to a
# group would reach.
started_processes() {
    descendants_of $$ | cut -f1
}

# Ends them all: SIGTERM first, so that a display runner takes its Xvfb
# down, then SIGKILL for what is still there a few seconds later.
end_started() {
    local pids pid alive
    pids=$(started_processes)
    [ -n "$pids" ] || return 0
    kill -TERM $pids 2>/dev/null
    for _ in $(seq 1 50); do
        alive=""
        for pid in $pids; do still_running "$pid" && alive="$alive $pid"; done
        [ -n "$alive" ] || return 0
        sleep 0.1
    done
    kill -KILL $alive 2>/dev/null
}

# A main script, read from standard input as the lines of a case: it counts
# its frames and runs the case's lines at frame 100, which say "hung" (the
# file) once the script is where it stops returning or ends the game, so
# that whatever the test does next (a signal) comes then, not earlier.
main_script() {
    cat <<EOF
import ZOPAPI as Z
import collections, itertools, os, resource, signal, socket, subprocess, sys, threading, time
frames = 0
def initgame():
    pass
def everyloop():
    global frames
    frames += 1
    if frames == 100:
$(sed 's/^/        /')
EOF
}
