#!/usr/bin/env bash
# A save killed at any instant (before each step of the file layer's saves:
# each folder and temporary made, each write, second name, journal, rename
# and removal) leaves, at the next start, the old character and surface or
# the new pair, never one of each, the old animation or the new one, and
# none of the save's own files; the author's files that look like them stay.
set -u
game="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

# The game in folder $1 runs the console commands from $2 on at its start,
# then quits; code is its status.
run_game() {
    local dir="$1"
    shift
    printf '%s\n' "$@" Quit > "$dir/OnStartScript.txt"
    local started
    started=$(date +%s%N)
    (cd "$dir" && exec "$game") &
    # (Without the shell's word on a game it killed.)
    await_end $! 120 "$started" 2>/dev/null
    [ -n "$ended" ] || { echo "the game in $dir did not end within 120 s"; exit 1; }
}

pair() { cat "$1/Assets/Characters/Blob.x" "$1/Assets/Surfaces/Blob.sur" | md5sum; }
animation() { md5sum < "$1/Assets/Animations/Blob/walk.ani"; }
# Every name in the folders a save writes into, hidden ones too.
listing() {
    local folder
    for folder in . Assets/Characters Assets/Surfaces Assets/Animations Assets/Animations/Blob; do
        echo "$folder:"
        ls -A "$1/$folder"
    done
}

old="$scratch/old"
mkdir -p "$old"
lay_out_game_files "$old"
write_running_script "$old"
run_game "$old" AnimationModeToggle "AddLimb Line LArm" "SaveCharacter Blob" "CreateAnimation Walk 1 1" \
    "AddFrame 0.5" "SaveAnimation Blob"
[ "$code" -eq 0 ] || { echo "the first save ended with $code"; cat "$old/err.txt"; exit 1; }
# The author's own files, named as a save's temporaries once were.
echo "the author's" > "$old/Assets/Characters/Blob.x.a1B2c3"
echo "the author's" > "$old/Assets/Surfaces/Blob.sur.a1B2c3.old"
echo "the author's" > "$old/Assets/Animations/Blob/walk.ani.Zz9Yy8"

new_save=(AnimationModeToggle "LoadCharacter Blob" "AddLimb Line RArm"
    "SetSurface 0.5 0.25 0.125 1 1 1 20 0.5 0.01 1.5 0" "SaveCharacter Blob" "CreateAnimation Walk 2 1"
    "AddFrame 1.5" "SaveAnimation Blob")
new="$scratch/new"
cp -a "$old" "$new"
run_game "$new" "${new_save[@]}"
[ "$code" -eq 0 ] || { echo "the second save ended with $code"; cat "$new/err.txt"; exit 1; }
[ "$(pair "$old")" != "$(pair "$new")" ] && [ "$(animation "$old")" != "$(animation "$new")" ] ||
    { echo "the second save changed nothing"; exit 1; }

failed=0
killed=0
for step in $(seq 1 200); do
    run="$scratch/run$step"
    cp -a "$old" "$run"
    TOLLYMOP_KILL_AT_SAVE_STEP=$step run_game "$run" "${new_save[@]}"
    [ "$code" -eq 0 ] && break
    [ "$code" -eq 137 ] || { echo "step $step: the game ended with $code, not by SIGKILL"; exit 1; }
    killed=$((killed + 1))
    # The next start.
    run_game "$run"
    [ "$code" -eq 0 ] || { echo "step $step: the next start ended with $code"; cat "$run/err.txt"; exit 1; }
    what=""
    case "$(pair "$run")" in
        "$(pair "$old")") what="old pair" ;;
        "$(pair "$new")") what="new pair" ;;
        *) echo "step $step: Blob.x and Blob.sur are neither the old pair nor the new one"; failed=1 ;;
    esac
    case "$(animation "$run")" in
        "$(animation "$old")" | "$(animation "$new")") ;;
        *) echo "step $step: walk.ani is neither the old one nor the new one"; failed=1 ;;
    esac
    if ! diff <(listing "$old") <(listing "$run") > "$scratch/diff"; then
        echo "step $step: the folders do not hold what they held before the save:"
        cat "$scratch/diff"
        failed=1
    fi
    [ "$(cat "$run/Assets/Characters/Blob.x.a1B2c3")" = "the author's" ] || { echo "step $step: an author's file went"; failed=1; }
    echo "step $step: killed; the next start shows the $what"
    rm -rf "$run"
done
[ "$killed" -ge 20 ] || { echo "only $killed steps of the saves were killed"; exit 1; }
[ "$failed" -eq 0 ] || exit 1
echo "each of $killed kills left the old files or the new ones, and nothing of the save"
