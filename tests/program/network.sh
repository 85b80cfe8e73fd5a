#!/usr/bin/env bash
# Two real games racing each other headless over the loopback address, unpaced, the computer at
# both wheels: in lockstep directly and through the test relay (100 ms round trip, 5 % lost, some
# packets doubled and reordered), and running ahead through the relay at 0, 100 and 200 ms of
# round trip with the same losses. Both must run the same frames to the same laps and state hash
# and record equal replays, which play back as recorded. Then a joiner killed mid-race is
# reported by the host, a peer whose race goes otherwise is found out of step at once, and a
# joiner with other track pictures is refused on both sides.
# Everything stays on 127.0.0.1 and ends by itself.
set -u
game="$1"
relay="${DW_BINARY_DIR:-$(dirname "$game")}/net_relay"
peer="${DW_BINARY_DIR:-$(dirname "$game")}/net_peer"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy ALSOFT_DRIVERS=null XDG_CONFIG_HOME="$work/config"
export DIRTWHIRL_DATA="$(cd "$(dirname "$0")/../.." && pwd)"
status=0
fail() { echo "FAIL: $*"; status=1; }
# A port of this run's own, so that runs side by side do not meet.
port=$(( 20000 + $$ % 20000 ))

# host_and_join NAME JOIN-PORT [both's extra options]: races the two, exit codes into
# host_code and join_code, standard error in $work/NAME.host and $work/NAME.join.
host_and_join() {
    local name=$1 join_port=$2
    shift 2
    timeout 200 "$game" --window --unpaced --computer 1 --host $port --record "$work/$name-host.dwr" \
        "$@" 2>"$work/$name.host" &
    local host_pid=$!
    sleep 0.3
    timeout 200 "$game" --window --unpaced --computer 2 --join 127.0.0.1:$join_port \
        --record "$work/$name-join.dwr" "$@" 2>"$work/$name.join"
    join_code=$?
    wait $host_pid
    host_code=$?
}

# same_race NAME: both ended well, at the same frame, laps and state hash, with equal recordings.
same_race() {
    local ends
    [ "$host_code" = 0 ] && [ "$join_code" = 0 ] || fail "$1: exit codes $host_code and $join_code"
    ends=$(grep -h "the network race ran" "$work/$1.host" "$work/$1.join" |
           sed 's/ (.*)//' | sort -u | wc -l)
    [ "$ends" = 1 ] || fail "$1: the two ends differ: $(grep -h 'race ran' "$work/$1".*)"
    cmp -s "$work/$1-host.dwr" "$work/$1-join.dwr" || fail "$1: the recordings differ"
    "$game" --timedemo "$work/$1-join.dwr" >/dev/null 2>"$work/$1.played" ||
        fail "$1: the recording does not play back: $(cat "$work/$1.played")"
    echo "$1: $(grep -h 'connected' "$work/$1.join" | tail -1)"
    grep -h "the network race ran" "$work/$1.host" "$work/$1.join"
}

# relayed NAME ROUND-TRIP [options]: the race through the relay.
relayed() {
    local name=$1 trip=$2
    shift 2
    "$relay" $((port + 1)) $port $((trip / 2)) 5 5 5 7 200000 240 >"$work/relay.out" 2>&1 &
    relay_pid=$!
    for _ in $(seq 50); do grep -q "relay ready" "$work/relay.out" && break; sleep 0.1; done
    host_and_join $name $((port + 1)) "$@"
    same_race $name
    kill $relay_pid 2>/dev/null
    wait $relay_pid 2>/dev/null
}

host_and_join lockstep $port --lockstep
same_race lockstep
relayed lockstep-100ms 100 --lockstep
delay=$(grep -ho "input delay [0-9]*" "$work/lockstep-100ms.join" | tail -1 | cut -d" " -f3)
[ "${delay:-0}" -ge 3 ] || fail "lockstep: input delay ${delay:-none} for a 100 ms round trip"
for trip in 0 100 200; do
    relayed ahead-${trip}ms $trip
    grep -q "a kart answers its keys after 1 frame" "$work/ahead-${trip}ms.join" ||
        fail "ahead-${trip}ms: not running ahead: $(cat "$work/ahead-${trip}ms.join")"
done

# The joiner killed mid-race: the host says so within 5 s and ends as after Escape. Through the
# relay at 200 ms of round trip the race lasts 30 s and more, so 3 s after the connection it is
# under way, also where set-up is slow (the sanitizers).
"$relay" $((port + 1)) $port 100 0 0 0 7 200000 120 >"$work/relay.out" 2>&1 &
relay_pid=$!
for _ in $(seq 50); do grep -q "relay ready" "$work/relay.out" && break; sleep 0.1; done
timeout 60 "$game" --window --unpaced --computer 1 --host $port 2>"$work/killed.host" &
host_pid=$!
sleep 0.3
"$game" --window --unpaced --computer 2 --join 127.0.0.1:$((port + 1)) 2>"$work/killed.join" &
join_pid=$!
for _ in $(seq 100); do grep -q "connected" "$work/killed.join" && break; sleep 0.05; done
sleep 3
kill -9 $join_pid
killed_at=$(date +%s.%N)
wait $host_pid
host_code=$?
kill $relay_pid 2>/dev/null
wait $relay_pid 2>/dev/null
took=$(echo "$(date +%s.%N) - $killed_at" | bc)
grep -q "the other player left at lap" "$work/killed.host" || fail "killed: the host did not say"
[ "$host_code" = 0 ] || fail "killed: the host ended with $host_code"
awk -v t="$took" 'BEGIN { exit !(t < 8) }' || fail "killed: the host took $took s to end"
echo "killed: the host ended $took s after the joiner was killed (exit $host_code):"
grep "left at lap" "$work/killed.host"

# A machine whose race goes otherwise (the test's stand-in peer sends hashes no race has): the
# host stops at the first frame compared, in both modes, and leaves its recording.
for mode in --lockstep --rollback; do
    rm -f "$work/odd.dwr"
    options=()
    [ $mode = --lockstep ] && options=(--lockstep)
    timeout 60 "$game" --window --unpaced --computer 1 --host $port --record "$work/odd.dwr" \
        "${options[@]}" 2>"$work/odd.host" &
    host_pid=$!
    sleep 0.3
    timeout 60 "$peer" $port "$DIRTWHIRL_DATA" "$("$game" --version | cut -d" " -f2)" 300 30 \
        >"$work/odd.peer"
    wait $host_pid
    host_code=$?
    grep -q "the race went out of step at frame 1$" "$work/odd.host" ||
        fail "odd ${mode#--}: not said: $(cat "$work/odd.host")"
    [ "$host_code" = 3 ] || fail "odd ${mode#--}: exit $host_code"
    [ -s "$work/odd.dwr" ] || fail "odd ${mode#--}: no recording left"
done

# Other track pictures on the joiner: refused on both sides with the reason.
mkdir -p "$work/other"
cp -r "$DIRTWHIRL_DATA"/{images,cars,sounds} "$work/other/"
printf 'x' | dd of="$work/other/images/track1.bmp" bs=1 seek=2000 conv=notrunc 2>/dev/null
timeout 30 "$game" --window --host $port 2>"$work/refused.host" &
host_pid=$!
sleep 0.3
timeout 30 "$game" --window --data "$work/other" --join 127.0.0.1:$port 2>"$work/refused.join"
join_code=$?
wait $host_pid
host_code=$?
for side in host join; do
    grep -q "track pictures or car files differ" "$work/refused.$side" ||
        fail "refused: the $side did not name the difference: $(cat "$work/refused.$side")"
done
[ "$host_code" = 1 ] && [ "$join_code" = 1 ] || fail "refused: exit codes $host_code and $join_code"
exit $status
