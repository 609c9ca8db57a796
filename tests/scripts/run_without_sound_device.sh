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
# The SIGTERM may land while the script is still writing its file, on a busy
# machine in one run and not the other: the traceback of that interrupt is
# no part of what the start writes.
without_interrupt() {
    awk '/^Traceback \(most recent call last\):$/ { held = $0 "\n"; next }
         held != "" { held = held $0 "\n"; if (/^KeyboardInterrupt/) held = ""; else if (!/^  /) { printf "%s", held; held = "" }; next }
         { print }
         END { printf "%s", held }' "$1"
}
if ! diff <(without_interrupt "$scratch/null/err.txt") \
          <(without_interrupt "$scratch/no-such-device/err.txt" | grep -vxF "$line"); then
    echo "err.txt differs without a sound device"
    for driver in null no-such-device; do echo "--- err.txt with '$driver':"; cat "$scratch/$driver/err.txt"; done
    exit 1
fi
echo "ran silent without a sound device, saying so once"
