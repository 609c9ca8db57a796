#!/usr/bin/env bash
# Runs a program on a private Xvfb display and ends them in order.
# Usage: tools/on_xvfb.sh PROGRAM [ARGUMENTS...]
#
# Ctrl+C in a terminal sends SIGINT to the whole foreground process group.
# Were the display server in that group, it would die at once and the
# program would lose its display in the middle of its frame. So both run in
# process groups of their own, out of the terminal's reach: this script takes
# SIGINT, SIGTERM and SIGHUP and hands each to the program alone, once, and
# takes the display server down only after the program has ended. Its exit
# code is the program's.
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 PROGRAM [ARGUMENTS...]" >&2
    exit 2
fi

scratch=$(mktemp -d)
server=""
program=""

stop_server() {
    [ -n "$server" ] || return 0
    kill -TERM "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    server=""
}
cleanup() {
    stop_server
    rm -rf "$scratch"
}
trap cleanup EXIT

# A signal that comes before the program runs ends the script; one that
# comes while it runs is the program's alone.
pending=""
forward() {
    if [ -n "$program" ]; then
        kill -s "$1" "$program" 2>/dev/null
    else
        pending="$1"
    fi
}
trap 'forward INT' INT
trap 'forward TERM' TERM
trap 'forward HUP' HUP

# With job control on, each command started in the background gets a process
# group of its own and the default handling of SIGINT (without it, bash
# would have it ignore SIGINT, and the program could not be told).
set -m

# Xvfb picks a free display itself and writes its number once it accepts
# connections. Should this script be killed outright (SIGKILL from a test
# runner's timeout), the display server ends with it instead of lingering.
bound_to_script=()
command -v setpriv >/dev/null && bound_to_script=(setpriv --pdeathsig TERM)
"${bound_to_script[@]}" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
server=$!
display=""
for _ in $(seq 1 300); do
    display=$(tr -d '\n' <"$scratch/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$server" 2>/dev/null || break
    [ -n "$pending" ] && exit 130
    sleep 0.1
done
if [ -z "$display" ]; then
    echo "$0: Xvfb did not start:" >&2
    cat "$scratch/xvfb.log" >&2
    exit 1
fi
[ -n "$pending" ] && exit 130

DISPLAY=":$display" "$@" &
program=$!
set +m
[ -n "$pending" ] && kill -s "$pending" "$program" 2>/dev/null

# wait returns early for every trapped signal; the program's own end is the
# one after which it is gone.
while true; do
    wait "$program"
    code=$?
    kill -0 "$program" 2>/dev/null || break
done
program=""
stop_server
exit "$code"
