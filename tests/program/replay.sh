#!/usr/bin/env bash
# Replays as a player makes and watches them, in a real X server: a race recorded with
# --record (keys pressed with xdotool, ended by Escape and Q) plays back with --timedemo and with
# --play on the screen (checked, then the winner picture until Q); a recording killed in the
# middle of the race leaves no file under the chosen name. Screenshots go to test-output/.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export work
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
status=0

# Killed half way through the race: nothing under the name, nothing left beside it.
"'"$game"'" --record "$work/killed.dwr" 2>"$work/killed.err" &
pid=$!
wait_for_window || { cat "$work/killed.err"; kill $pid; exit 1; }
press Return
press space
xdotool keydown Right; sleep 1; xdotool keyup Right
kill -9 $pid
wait $pid 2>/dev/null
leftover=$(ls "$work" | grep dwr)
if [ -n "$leftover" ]; then
    echo "a killed recording left: $leftover"
    status=1
fi

# A whole recording.
"'"$game"'" --record "$work/race.dwr" 2>"$work/record.err" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
press Return
press space
xdotool keydown Right keydown d keydown n
sleep 1.5
xdotool keyup n keydown Down
sleep 1
xdotool keyup Right keyup d keyup Down
leave_race $pid
echo "record: exit $code, said: $(cat "$work/record.err")"
[ "$code" = 0 ] && [ -s "$work/race.dwr" ] || status=1

SDL_VIDEODRIVER=dummy "'"$game"'" --timedemo "$work/race.dwr" >"$work/demo.out" 2>&1
code=$?
echo "timedemo: exit $code, said: $(cat "$work/demo.out")"
[ "$code" = 0 ] || status=1

# On the screen at the race pace: the verdict when the race is over, then the winner picture.
"'"$game"'" --play "$work/race.dwr" 2>"$work/play.err" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 1
import -window root "$OUT_DIR/replay-race.png"
for _ in $(seq 1 150); do
    grep -q "replay" "$work/play.err" && break
    sleep 0.1
done
sleep 0.5
import -window root "$OUT_DIR/replay-winner.png"
press q
wait_exit $pid 10
echo "play: exit $code, said: $(cat "$work/play.err")"
[ "$code" = 0 ] && grep -q "matches the recording" "$work/play.err" || status=1
exit $status
'
