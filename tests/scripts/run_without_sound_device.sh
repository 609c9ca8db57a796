#!/usr/bin/env bash
# A game started where OpenAL finds no device runs silent: it keeps running
# until SIGTERM, exits 0, and err.txt holds what a run with a (null) sound
# device writes plus one line that says there is no sound. Both runs are
# ended once they have reached their frames, so both have written all that
# their start writes.
set -u
game="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

for driver in no-such-device null; do
    ALSOFT_DRIVERS="$driver" "$here/run_until_sigterm.sh" "$game" "$scratch/$driver" ||
        { echo "with sound driver '$driver'"; exit 1; }
done
line="No sound device could be opened: the game runs without sound."
[ "$(grep -cxF "$line" "$scratch/no-such-device/err.txt")" -eq 1 ] || { echo "no one line about the sound"; exit 1; }
if ! diff "$scratch/null/err.txt" <(grep -vxF "$line" "$scratch/no-such-device/err.txt"); then
    echo "err.txt differs without a sound device"; exit 1
fi
echo "ran silent without a sound device, saying so once"
