#!/usr/bin/env bash
# A game started where OpenAL finds no device runs silent: it keeps running
# until SIGTERM, exits 0, and writes nothing to err.txt that a run with a
# (null) sound device does not write too.
set -u
game="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # run DRIVER DIR
    mkdir -p "$2"
    ln -s "${TOLLYMOP_ROOT}/Assets" "$2/Assets"
    (cd "$2" && ALSOFT_DRIVERS="$1" exec "$game") &
    local pid=$!
    sleep 2
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"; echo "the game with sound driver '$1' ended by itself with code $?"; cat "$2/err.txt"; exit 1
    fi
    kill -TERM "$pid"
    wait "$pid"
    local code=$?
    [ "$code" -eq 0 ] || { echo "exit code $code with sound driver '$1'"; cat "$2/err.txt"; exit 1; }
}

run no-such-device "$work/silent"
run null "$work/null"
if ! diff "$work/null/err.txt" "$work/silent/err.txt"; then
    echo "err.txt differs without a sound device"; exit 1
fi
echo "ran silent without a sound device; err.txt as with one"
