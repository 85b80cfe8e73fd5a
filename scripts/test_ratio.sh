#!/usr/bin/env bash
# Non-blank lines of C++, shell and Python under tests/ against those under engine/, game/,
# platform/ and tools/ (bench/ and fuzz/ count on neither side), and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.py' \) -print0 |
        xargs -0 grep -hv '^\s*$' | wc -l
}
tests=$(lines tests)
code=$(lines engine game platform tools)
awk -v t="$tests" -v c="$code" 'BEGIN { printf "tests %d, code %d: %.2f\n", t, c, t / c }'
