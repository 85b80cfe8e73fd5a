#!/usr/bin/env bash
# With no display at all the program says so in one line and fails, without a crash.
set -u
game="$1"
err=$(mktemp)
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game" 2>"$err" >/dev/null
code=$?
cat "$err"
lines=$(wc -l <"$err")
rm -f "$err"
# 1 is the program's own failure; a signal would give 128 or more.
[ "$code" -eq 1 ] && [ "$lines" -eq 1 ]
