#!/usr/bin/env bash
# The soak: a headless race of 100,000 frames (or $1) with seeded random keys under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer (build-san/), then 5,000 frames
# (or $2) of a plain build (build-valgrind/) under valgrind, which must end with
# "ERROR SUMMARY: 0" and nothing definitely lost. Not part of the default test command: it takes
# minutes. Usage: scripts/soak.sh [sanitizer frames] [valgrind frames] [seed]
set -euo pipefail
cd "$(dirname "$0")/.."
san_frames="${1:-100000}"
valgrind_frames="${2:-5000}"
seed="${3:-1}"
export SDL_VIDEODRIVER=dummy ALSOFT_DRIVERS=null

CC=clang CXX=clang++ cmake -S . -B build-san -DDW_SANITIZE=ON -DDW_BENCH=OFF -DDW_WERROR=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-san -j2 --target soak_race
# As in sanitize.sh: without intercepting __tls_get_addr, LeakSanitizer's scan at exit is
# repeatable.
export ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
echo "soak: $san_frames frames under the sanitizers"
build-san/soak_race "$san_frames" "$seed"

cmake -S . -B build-valgrind -DDW_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-valgrind -j2 --target soak_race
echo "soak: $valgrind_frames frames under valgrind"
log=build-valgrind/soak-valgrind.log
# Leaks that third-party libraries keep until exit are shown as "still reachable"; only memory
# that nothing points to any more counts as lost.
valgrind --error-exitcode=3 --leak-check=full --errors-for-leak-kinds=definite \
    --log-file="$log" build-valgrind/soak_race "$valgrind_frames" "$seed"
grep -E "ERROR SUMMARY|definitely lost|in use at exit" "$log"
grep -q "ERROR SUMMARY: 0 errors" "$log"
