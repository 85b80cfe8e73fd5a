#!/usr/bin/env bash
# The real program under a real X server: Alt+Enter twice, Enter, space, a few seconds of
# driving both karts, Escape and Q walk it through intro, title, race and winner screen, and it
# exits 0. A screenshot of each screen is left in the build folder's test-output/ for a person to look at.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
"'"$game"'" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.5
import -window root "$OUT_DIR/screen-intro.png"
# Alt+Enter to a window and back: the intro stays, its Enter never reached the game.
for _ in 1 2; do
    xdotool keydown alt keydown Return; sleep 0.3; xdotool keyup Return keyup alt; sleep 0.5
done
import -window root "$OUT_DIR/screen-intro-again.png"
differing=$(compare -metric AE "$OUT_DIR/screen-intro.png" "$OUT_DIR/screen-intro-again.png" null: 2>&1)
[ "$differing" = 0 ] || { echo "after Alt+Enter twice the screen differs in $differing pixels"; kill $pid; exit 1; }
press Return
sleep 0.3
import -window root "$OUT_DIR/screen-title.png"
press space
xdotool keydown Right keydown d keydown n
sleep 1.5
xdotool keyup n keydown Down
sleep 1
import -window root "$OUT_DIR/screen-race.png"
xdotool keyup Right keyup d keyup Down
press Escape
sleep 1
import -window root "$OUT_DIR/screen-winner.png"
press q
wait_exit $pid 10
echo "exit code: $code"
[ "$code" = 0 ]
'
