#!/usr/bin/env bash
# The installed game: `cmake --install` into a fresh prefix gives a game that finds its data from
# any working directory, also after the whole tree is moved; its desktop entry, metainfo, icon
# and manual page are valid; a binary with no data anywhere lists every folder it tried and
# exits 1. cpack makes a Debian package with the game, its data and desktop entry, depending on
# the SDL2 runtime and the font.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
id=io.github.dirtwhirl.Dirtwhirl

"$DW_CMAKE" --install "$DW_BINARY_DIR" --prefix "$work/prefix" >/dev/null || exit 1
for file in bin/dirtwhirl share/dirtwhirl/images/intro.bmp share/dirtwhirl/cars/car27.BMP \
    share/dirtwhirl/sounds/engine.wav share/applications/$id.desktop \
    share/icons/hicolor/128x128/apps/$id.png share/metainfo/$id.metainfo.xml \
    share/man/man6/dirtwhirl.6; do
    [ -f "$work/prefix/$file" ] || fail "$file is not installed"
done
[ -e "$work/prefix/bin/transition_demo" ] && fail "a development tool is installed"
desktop-file-validate "$work/prefix/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$work/prefix/share/metainfo/$id.metainfo.xml" >"$work/as" ||
    fail "metainfo: $(cat "$work/as")"
[ "$(identify -format '%m %wx%h' "$work/prefix/share/icons/hicolor/128x128/apps/$id.png")" = \
    "PNG 128x128" ] || fail "the icon is not a 128 x 128 PNG"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/prefix/share/man/man6/dirtwhirl.6" \
    2>&1 >/dev/null)
[ -z "$warnings" ] || fail "manual page: $warnings"

# Enter, space, Escape and Q from a working directory without data; exit code into code.
play() { # game, working directory, extra environment
    mkdir -p "$2"
    (cd "$2" && env $3 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
ALSOFT_DRIVERS=null "'"$1"'" 2>"'"$work"'/err" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.3
press Return; press space; leave_race $pid
[ "$code" = 0 ]')
    code=$?
}

play "$work/prefix/bin/dirtwhirl" "$work/elsewhere" "-u DIRTWHIRL_DATA"
[ "$code" = 0 ] || fail "installed game: exit $code; said: $(cat "$work/err")"

# Moved as a whole; a data folder named in the environment that holds nothing is passed over.
mkdir -p "$work/empty"
mv "$work/prefix" "$work/moved"
play "$work/moved/bin/dirtwhirl" "$work/elsewhere" "DIRTWHIRL_DATA=$work/empty"
[ "$code" = 0 ] || fail "moved game: exit $code; said: $(cat "$work/err")"
grep -q "$work/empty (DIRTWHIRL_DATA) has no images/" "$work/err" ||
    fail "passing over DIRTWHIRL_DATA is not told: $(cat "$work/err")"

# The binary alone: no folder holds the data.
mkdir -p "$work/alone/bin"
cp "$work/moved/bin/dirtwhirl" "$work/alone/bin/"
(cd "$work/elsewhere" && DIRTWHIRL_DATA="$work/empty" "$work/alone/bin/dirtwhirl" 2>"$work/err")
code=$?
[ "$code" = 1 ] || fail "without data: exit $code"
for tried in "$work/empty" "$work/alone/share/dirtwhirl" "$work/elsewhere"; do
    grep -q "^  $tried (" "$work/err" || fail "without data: $tried is not listed: $(cat "$work/err")"
done

"$DW_CPACK" -G DEB -B "$work/deb" --config "$DW_BINARY_DIR/CPackConfig.cmake" >"$work/cpack" ||
    { cat "$work/cpack"; exit 1; }
deb=$(ls "$work"/deb/*.deb)
dpkg-deb -c "$deb" >"$work/contents"
for file in usr/bin/dirtwhirl usr/share/dirtwhirl/images/track1.bmp \
    usr/share/applications/$id.desktop; do
    grep -q " \./$file\$" "$work/contents" || fail "$file is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libopenal1 fonts-dejavu-core; do
    [[ "$depends" == *"$package"* ]] || fail "no dependency on $package"
done
exit $status
