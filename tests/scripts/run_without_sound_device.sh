#!/usr/bin/env bash
# A game started where OpenAL finds no device runs silent: it keeps running
# until SIGTERM, exits 0, and writes nothing to err.txt that a run with a
# (null) sound device does not write too.
set -u
game="$1"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for driver in no-such-device null; do
    ALSOFT_DRIVERS="$driver" "$here/run_until_sigterm.sh" "$game" "$work/$driver" ||
        { echo "with sound driver '$driver'"; exit 1; }
done
if ! diff "$work/null/err.txt" "$work/no-such-device/err.txt"; then
    echo "err.txt differs without a sound device"; exit 1
fi
echo "ran silent without a sound device; err.txt as with one"
