#!/usr/bin/env bash
# The real program as a player meets it, recording the race: Alt+Enter twice, Enter, space, a few
# seconds of driving both karts, Escape and Q walk it through intro, title, race and winner screen,
# and it exits 0 with the recording written. That recording plays back with --timedemo and with
# --play on the screen (checked, then the winner picture until Q). A recording killed in the
# middle of the race leaves no file under the chosen name. Screenshots of every screen are left in
# the build folder's test-output/ for a person to look at.
source "$(dirname "$0")/common.sh"
start_game --record "$work/race.dwr"
sleep 0.5
shot screen-intro
# Alt+Enter to a window and back: the intro stays, its Enter never reached the game.
for _ in 1 2; do
    xdotool keydown alt keydown Return; sleep 0.3; xdotool keyup Return keyup alt; sleep 0.5
done
shot screen-intro-again
[ "$(differing screen-intro screen-intro-again)" = 0 ] || give_up "Alt+Enter twice changed the intro"
press Return
sleep 0.3
shot screen-title
press space
xdotool keydown Right keydown d keydown n
sleep 1.5
xdotool keyup n keydown Down
sleep 1
shot screen-race
xdotool keyup Right keyup d keyup Down
press Escape
sleep 1
shot screen-winner
press q
wait_exit $pid 10
echo "played and recorded: exit $code, said: $(cat "$work/err")"
[ "$code" = 0 ] && [ -s "$work/race.dwr" ] || give_up "the game did not end well"

said=$(SDL_VIDEODRIVER=dummy "$game" --timedemo "$work/race.dwr" 2>&1)
code=$?
echo "timedemo: exit $code, said: $said"
[ "$code" = 0 ] || fail "timedemo"

# On the screen at the race pace: the verdict when the race is over, then the winner picture.
start_game --play "$work/race.dwr"
sleep 1
shot replay-race
for _ in $(seq 1 150); do
    grep -q "replay" "$work/err" && break
    sleep 0.1
done
sleep 0.5
shot replay-winner
press q
wait_exit $pid 10
echo "play: exit $code, said: $(cat "$work/err")"
[ "$code" = 0 ] && grep -q "matches the recording" "$work/err" || fail "--play"

# Killed half way through the race: nothing under the name, nothing left beside it.
mkdir "$work/killed"
start_game --record "$work/killed/race.dwr"
press Return
press space
xdotool keydown Right; sleep 1; xdotool keyup Right
kill -9 $pid
wait $pid 2>/dev/null
[ -z "$(ls -A "$work/killed")" ] || fail "a killed recording left: $(ls -A "$work/killed")"
exit $status
