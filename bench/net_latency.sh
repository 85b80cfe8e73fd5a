#!/usr/bin/env bash
# The time from a key read on one machine to the frame that applies it, on that machine (its own
# kart) and on the other (its kart seen there), in frames of 30 ms counted so that the frame right
# after the read is 1: two paced games, each in an X server of its own, racing each other through
# the test relay on 127.0.0.1 at each round trip given, the computer at both wheels, in lockstep
# and running ahead. Each game keeps, per frame, when it read the keys it sent for that frame and
# when it first ran the frame (DIRTWHIRL_NET_TIMES); the two files are joined here. Running ahead,
# the other machine first runs a frame on a guess of the keys, so only its own kart's figure is
# given there. A key pressed between two reads waits for the next read as well: on average half
# a frame more.
# Usage: bench/net_latency.sh [BUILD_DIR] [seconds of race] [round trips in ms...]
#        (default build, 12 s, 0 and 100 ms; needs xvfb-run and xdotool)
set -u
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
seconds=${2:-12}
shift $(( $# > 2 ? 2 : $# ))
trips=("$@")
[ ${#trips[@]} -gt 0 ] || trips=(0 100)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export DIRTWHIRL_DATA="$PWD" ALSOFT_DRIVERS=null XDG_CONFIG_HOME="$work/config"
port=$(( 20000 + $$ % 20000 ))

# side NAME SERVER OPTIONS...: one game in its own X server (the first free from number SERVER
# on: the two sides look from far apart, so that they never take the same one), through the
# intro and the title, raced for the given seconds, then Escape and Q.
side() {
    local name=$1 server=$2
    shift 2
    DIRTWHIRL_NET_TIMES="$work/$name.times" timeout $((seconds + 40)) xvfb-run -a -n $server \
        -s "-screen 0 1024x768x24" bash -c '
        "$0" --window "$@" 2>"'"$work/$name"'.err" &
        game=$!
        press() { xdotool keydown $1; sleep 0.3; xdotool keyup $1; sleep 0.5; }
        sleep 2; press Return; press space
        sleep '"$seconds"'; press Escape; sleep 1; press q
        wait $game' "$build/dirtwhirl" "$@"
}

# figures A B: from the keys read on A to the frame run on B, over the frames both ran after the
# first input delay: median, 95th percentile and largest, in frames.
figures() {
    join <(sort -k1,1 "$work/$1.times") <(sort -k1,1 "$work/$2.times") |
        awk '$2 > 0 && $5 > 0 && $1 >= 4 { print ($5 - $2) / 30e6 + 1 }' | sort -g |
        awk '{ v[NR] = $1 } END {
            if (NR == 0) { print "no frames"; exit }
            printf "median %.2f, 95th percentile %.2f, largest %.2f frames (%d frames)\n",
                v[int((NR + 1) / 2)], v[int(NR * 0.95 + 0.5)], v[NR], NR }'
}

for trip in "${trips[@]}"; do
  for mode in --lockstep --rollback; do
    "$build/net_relay" $((port + 1)) $port $((trip / 2)) 0 0 0 1 1000000 $((seconds + 60)) \
        >"$work/relay.out" 2>&1 &
    relay=$!
    for _ in $(seq 50); do grep -q "relay ready" "$work/relay.out" && break; sleep 0.1; done
    rm -f "$work"/*.times
    options=()
    [ $mode = --lockstep ] && options=(--lockstep)
    side host $((200 + $$ % 200)) --computer 1 --host $port "${options[@]}" &
    host=$!
    sleep 1
    side join $((600 + $$ % 200)) --computer 2 --join 127.0.0.1:$((port + 1)) "${options[@]}"
    wait $host
    kill $relay 2>/dev/null
    wait $relay 2>/dev/null
    echo "round trip $trip ms, ${mode#--}: $(grep -h 'connected' "$work/join.err" | tail -1 | sed 's/.*:[0-9]*, //')"
    if [ ! -s "$work/host.times" ] || [ ! -s "$work/join.times" ]; then
        echo "  no race was run: $(tail -n 2 "$work/host.err" "$work/join.err")"
        continue
    fi
    grep -ho "the network race ran [0-9]* frames ([^)]*)" "$work/join.err" | sed 's/^/  /'
    echo "  host's key to its own kart:           $(figures host host)"
    echo "  joiner's key to its own kart:         $(figures join join)"
    [ $mode = --rollback ] && continue
    echo "  host's key to its kart on the joiner: $(figures host join)"
    echo "  joiner's key to its kart on the host: $(figures join host)"
  done
done
