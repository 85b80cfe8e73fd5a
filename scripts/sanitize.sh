#!/usr/bin/env bash
# The whole test suite (unit tests, corpus replays and the whole-program checks under Xvfb) built
# with clang under AddressSanitizer, UndefinedBehaviorSanitizer (float division by zero
# included) and LeakSanitizer, into build-san/. Any report ends the test that made it.
set -euo pipefail
cd "$(dirname "$0")/.."
# Warnings are the gcc build's business (CI makes them errors there); clang's extra ones are shown
# here but do not stop the sanitizer run.
CC=clang CXX=clang++ cmake -S . -B build-san -DDW_SANITIZE=ON -DDW_BENCH=OFF -DDW_WERROR=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-san -j2
# Leaks are reported at exit; only leaks inside third-party libraries are suppressed (the list
# names each library and why). LeakSanitizer's scan of the blocks of thread-local storage it
# learns of through __tls_get_addr crashes now and then on this C library ("Tracer caught signal
# 11" at exit, in a different check each time) when a library has freed the block meanwhile;
# without that interception the run is repeatable, and static thread-local storage is still
# scanned.
export ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-san
ctest --output-on-failure -j2
