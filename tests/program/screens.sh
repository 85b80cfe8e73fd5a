#!/usr/bin/env bash
# The real program under a real X server: Enter, space, Escape and Q walk it through intro,
# title, race and winner screen, and it exits 0.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
"'"$game"'" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.5
press Return
press space
sleep 1
press Escape
sleep 1
press q
wait_exit $pid 10
echo "exit code: $code"
[ "$code" = 0 ]
'
