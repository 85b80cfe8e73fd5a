#!/usr/bin/env bash
# Configures and builds into build/ (warnings are errors under CI). Arguments name the targets to
# build; none builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -DDW_WERROR=$werror >/dev/null
if [ $# -gt 0 ]; then
    cmake --build build -j2 --target "$@"
else
    cmake --build build -j2
fi
