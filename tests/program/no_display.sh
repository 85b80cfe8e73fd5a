#!/usr/bin/env bash
# With no display at all, or a display named that does not answer, the program says so in one
# line that names what it tried, and fails without a crash.
set -u
game="$1"
err=$(mktemp)
status=0
for display in "" ":9876"; do
    if [ -z "$display" ]; then
        env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game" 2>"$err" >/dev/null
    else
        env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY="$display" "$game" 2>"$err" >/dev/null
    fi
    code=$?
    cat "$err"
    lines=$(wc -l <"$err")
    # 1 is the program's own failure; a signal would give 128 or more.
    [ "$code" -eq 1 ] && [ "$lines" -eq 1 ] || status=1
    [ -z "$display" ] || grep -q "DISPLAY=\"$display\"" "$err" || status=1
done
rm -f "$err"
exit $status
