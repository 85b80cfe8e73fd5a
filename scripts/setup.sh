#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing need, when any is missing.
set -euo pipefail
packages=(cmake g++ pkg-config libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core
          libopenal-dev libx11-dev libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick sox
          clang libclang-rt-14-dev desktop-file-utils appstream dpkg-dev man-db
          libenet-dev lintian)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
