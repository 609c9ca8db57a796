#!/usr/bin/env bash
# A game started where OpenAL finds no device runs silent: it keeps running
# until SIGTERM, exits 0, and err.txt holds what a run with a (null) sound
# device writes plus one line that says there is no sound.
set -u
game="$1"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for driver in no-such-device null; do
    ALSOFT_DRIVERS="$driver" "$here/run_until_sigterm.sh" "$game" "$work/$driver" ||
        { echo "with sound driver '$driver'"; exit 1; }
done
line="No sound device could be opened: the game runs without sound."
[ "$(grep -cxF "$line" "$work/no-such-device/err.txt")" -eq 1 ] || { echo "no one line about the sound"; exit 1; }
if ! diff "$work/null/err.txt" <(grep -vxF "$line" "$work/no-such-device/err.txt"); then
    echo "err.txt differs without a sound device"; exit 1
fi
echo "ran silent without a sound device, saying so once"
