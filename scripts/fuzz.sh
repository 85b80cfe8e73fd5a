#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer) into build-fuzz/ and runs each for the given number of seconds (default 60),
# with its dictionary, the committed corpus and assets as seeds, and a scratch corpus of its own.
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: bitmap wav voc palette settings dwr net)
# A crash leaves its input in build-fuzz/artifacts/<target>/; the script then fails. Inputs that
# found faults are committed to fuzz/corpus/<target>/ so that every test run replays them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bitmap wav voc palette settings dwr net)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DDW_SANITIZE=ON -DDW_FUZZ=ON -DDW_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzzer}"

declare -A seeds=([bitmap]="images cars" [wav]="sounds" [voc]="" [palette]="" [settings]="" [dwr]="tests/replays" [net]="")
# The full-screen pictures are 300 KB; mutating inputs that large would only slow the search,
# and their headers are what matters, so longer inputs are cut to 64 KB when read as seeds.
declare -A max_len=([bitmap]=65536 [wav]=8192 [voc]=8192 [palette]=8192 [settings]=8192 [dwr]=32768 [net]=512)
export ALSOFT_DRIVERS=null
failed=()
for target in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$target" "build-fuzz/artifacts/$target"
    echo "fuzz: $target for ${seconds}s"
    # shellcheck disable=SC2086 # the seed folders are separate words
    if ! "build-fuzz/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
        -max_len="${max_len[$target]}" -dict="fuzz/dict/$target.dict" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$target/" \
        "build-fuzz/corpus/$target" "fuzz/corpus/$target" ${seeds[$target]} \
        2>"build-fuzz/$target.log"; then
        failed+=("$target")
        tail -n 60 "build-fuzz/$target.log"
    fi
    grep -E '^#[0-9]+.*DONE' "build-fuzz/$target.log" || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "build-fuzz/$target.log" |
        sort -u || true
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: crashes in ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
    exit 1
fi
