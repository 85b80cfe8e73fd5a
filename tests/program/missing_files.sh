#!/usr/bin/env bash
# A missing, truncated or piped picture or car file stops the program before the intro with a
# message naming the file and exit 1; a missing sound leaves a playable game that says so.
source "$(dirname "$0")/common.sh"

# A fresh copy of the data in $work/assets with $1 removed, or replaced as $2 says.
assets_without() {
    rm -rf "$work/assets"
    mkdir -p "$work/assets"
    cp -r "$source_dir/images" "$source_dir/cars" "$source_dir/sounds" "$work/assets/"
    rm "$work/assets/$1"
    case "${2:-}" in
        fifo) mkfifo "$work/assets/$1" ;;  # a pipe nobody writes to
        truncated) head -c 1000 "$source_dir/$1" >"$work/assets/$1" ;;
    esac
}

for case in images/intro.bmp cars/car23.BMP images/win2.bmp "cars/car12.BMP fifo" \
    "images/intro.bmp truncated"; do
    assets_without $case
    file=${case%% *}
    said=$(cd "$work/assets" && timeout 30 "$game" 2>&1 >/dev/null)
    code=$?
    echo "$case: exit $code, said: $(echo "$said" | grep "$file")"
    [ "$code" = 1 ] && [[ "$said" == *"$file"* ]] || fail "$case: $said"
done

# Without a sound the game still plays through, and says so (OpenAL's null device stands in for
# a sound card here).
assets_without sounds/boing.wav
cd "$work/assets"
export ALSOFT_DRIVERS=null
start_game
sleep 0.3
press Return; press space; press Right 1; leave_race $pid
echo "without sounds/boing.wav: exit $code; said: $(grep -v '^AL lib\|^ALSA' "$work/err")"
[ "$code" = 0 ] && grep -q "sounds/boing.wav" "$work/err" || fail "without sounds/boing.wav"
exit $status
