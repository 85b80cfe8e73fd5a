#!/usr/bin/env bash
# A missing picture or car file, or a pipe in its place, stops the program before the intro with
# a message naming the file and a non-zero exit; a missing sound leaves a playable game that says
# so.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
game="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

copy_assets() {
    rm -rf "$work/assets"
    mkdir -p "$work/assets"
    cp -r "$source_dir/images" "$source_dir/cars" "$source_dir/sounds" "$work/assets/"
}

expect_refusal() { # file to remove, and "fifo" to put a pipe nobody writes to in its place
    copy_assets
    rm "$work/assets/$1"
    [ "${2:-}" != fifo ] || mkfifo "$work/assets/$1"
    (cd "$work/assets" && timeout 30 xvfb-run -a "$game" >/dev/null 2>"$work/err")
    code=$?
    if [ "$code" -ne 1 ] || ! grep -q "$1" "$work/err"; then
        echo "without $1: exit $code, said: $(cat "$work/err")"
        status=1
    else
        echo "without $1: $(grep "$1" "$work/err")"
    fi
}

expect_refusal images/intro.bmp
expect_refusal cars/car23.BMP
expect_refusal images/win2.bmp
expect_refusal cars/car12.BMP fifo

# A truncated picture is refused the same way.
copy_assets
head -c 1000 "$source_dir/images/intro.bmp" >"$work/assets/images/intro.bmp"
(cd "$work/assets" && xvfb-run -a "$game" >/dev/null 2>"$work/err")
code=$?
if [ "$code" -ne 1 ] || ! grep -q images/intro.bmp "$work/err"; then
    echo "truncated intro: exit $code"; status=1
fi

# Without a sound the game still plays through, and says so (OpenAL's null device stands in for
# a sound card here).
copy_assets
rm "$work/assets/sounds/boing.wav"
(cd "$work/assets" && xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
ALSOFT_DRIVERS=null "'"$game"'" 2>"'"$work"'/err" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.3
press Return; press space; press Right 1; leave_race $pid
[ "$code" = 0 ]
')
code=$?
echo "without sounds/boing.wav: exit $code; said: $(cat "$work/err" | grep -v '^AL lib\|^ALSA')"
[ "$code" -eq 0 ] && grep -q "sounds/boing.wav" "$work/err" || status=1
exit $status
