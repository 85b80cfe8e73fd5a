#!/usr/bin/env bash
# The installed game: `cmake --install` into a fresh prefix gives a game that finds its data from
# any working directory, also after the whole tree is moved; its desktop entry, metainfo, icon
# and manual page are valid; a binary with no data anywhere lists every folder it tried and
# exits 1. cpack makes a Debian package with the game in games/, its data, desktop entry,
# copyright file and changelog, depending on the SDL2 runtime and the font, in which lintian
# finds no error or warning; the game moved to a prefix's games/ still finds its data.
source "$(dirname "$0")/common.sh"
id=io.github.dirtwhirl.Dirtwhirl
prefix="$work/prefix"

"$DW_CMAKE" --install "$DW_BINARY_DIR" --prefix "$prefix" >/dev/null || exit 1
for file in bin/dirtwhirl share/dirtwhirl/images/intro.bmp share/dirtwhirl/cars/car27.BMP \
    share/dirtwhirl/sounds/engine.wav share/applications/$id.desktop \
    share/icons/hicolor/128x128/apps/$id.png share/metainfo/$id.metainfo.xml \
    share/man/man6/dirtwhirl.6.gz share/doc/dirtwhirl/copyright; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ -e "$prefix/bin/transition_demo" ] && fail "a development tool is installed"
for file in games share/doc/dirtwhirl/changelog.Debian.gz share/lintian; do
    [ -e "$prefix/$file" ] && fail "$file, for the Debian package only, is installed"
done
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry"
said=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml") || fail "metainfo: $said"
[ "$(identify -format '%m %wx%h' "$prefix/share/icons/hicolor/128x128/apps/$id.png")" = \
    "PNG 128x128" ] || fail "the icon is not a 128 x 128 PNG"
said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man6/dirtwhirl.6.gz" 2>&1 >/dev/null)
[ -z "$said" ] || fail "manual page: $said"

# Enter, space, Escape and Q from a working directory without data; the exit code into code.
export ALSOFT_DRIVERS=null
mkdir -p "$work/elsewhere" "$work/empty"
cd "$work/elsewhere"
play() {
    game="$1"
    start_game
    sleep 0.3
    press Return; press space; leave_race $pid
}

unset DIRTWHIRL_DATA
play "$prefix/bin/dirtwhirl"
[ "$code" = 0 ] || fail "installed game: exit $code; said: $(cat "$work/err")"

# Moved as a whole; a data folder named in the environment that holds nothing is passed over.
mv "$prefix" "$work/moved"
export DIRTWHIRL_DATA="$work/empty"
play "$work/moved/bin/dirtwhirl"
[ "$code" = 0 ] || fail "moved game: exit $code; said: $(cat "$work/err")"
grep -q "$work/empty (DIRTWHIRL_DATA) has no images/" "$work/err" ||
    fail "passing over DIRTWHIRL_DATA is not told: $(cat "$work/err")"

# The binary alone: no folder holds the data.
mkdir -p "$work/alone/bin"
cp "$work/moved/bin/dirtwhirl" "$work/alone/bin/"
"$work/alone/bin/dirtwhirl" 2>"$work/err"
code=$?
[ "$code" = 1 ] || fail "without data: exit $code"
for tried in "$work/empty" "$work/alone/share/dirtwhirl" "$work/elsewhere"; do
    grep -q "^  $tried (" "$work/err" || fail "without data: $tried is not listed: $(cat "$work/err")"
done

"$DW_CPACK" -G DEB -B "$work/deb" --config "$DW_BINARY_DIR/CPackConfig.cmake" >"$work/cpack" ||
    { cat "$work/cpack"; exit 1; }
deb=$(ls "$work"/deb/*.deb)
contents=$(dpkg-deb -c "$deb")
for file in usr/games/dirtwhirl usr/share/dirtwhirl/images/track1.bmp \
    usr/share/applications/$id.desktop usr/share/man/man6/dirtwhirl.6.gz \
    usr/share/doc/dirtwhirl/copyright usr/share/doc/dirtwhirl/changelog.Debian.gz; do
    grep -q " \./$file\$" <<<"$contents" || fail "$file is not in the package"
done
grep -q " \./usr/bin/" <<<"$contents" && fail "the package has a usr/bin/"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libopenal1 fonts-dejavu-core; do
    [[ "$depends" == *"$package"* ]] || fail "no dependency on $package"
done
timeout 300 lintian --allow-root --tag-display-limit 0 -I "$deb" >"$work/lintian" 2>&1
code=$?
echo "lintian (exit $code):"
cat "$work/lintian"
[ "$code" = 0 ] || fail "lintian exit $code"
grep -q "^[EW]: " "$work/lintian" && fail "lintian: an error or warning"

# The package's program, in a prefix's games/ beside its share/, finds the data there.
mkdir -p "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
unset DIRTWHIRL_DATA
play "$work/unpacked/usr/games/dirtwhirl"
[ "$code" = 0 ] || fail "the package's game: exit $code; said: $(cat "$work/err")"
exit $status
