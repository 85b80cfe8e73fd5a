#!/usr/bin/env bash
# Arrows point down only: each folder's files include headers of their own layer or of the layers
# below it, never above, and only the platform layer includes SDL, OpenAL, fontconfig or Xlib.
# The layers, lowest first: the platform's stand-in (platform/), its additions on SDL
# (platform/additions/), the engine (engine/), the documented game (game/), what surrounds it
# (game/additions/), and the program's top (game/main.*, game/entry.cpp), which only the entry
# includes. Tests, tools and benchmarks may include any header but the program's top.
cd "${1:-$(dirname "$0")/..}" || exit 2

# The folders a file's layer may include from, by the file's path.
allowed() {
    case "$1" in
    platform/additions/*) echo "platform/ platform/additions/" ;;
    platform/*) echo "platform/" ;;
    engine/*) echo "engine/ platform/" ;;
    game/main.* | game/entry.cpp) echo "*" ;;
    game/additions/*) echo "game/ game/additions/ engine/ platform/ platform/additions/" ;;
    game/*) echo "game/ engine/ platform/ platform/additions/" ;;
    *) echo "*" ;;
    esac
}

# The folder a header belongs to, as the allowed lists name them.
folder_of() {
    case "$1" in
    platform/additions/*) echo "platform/additions/" ;;
    platform/*) echo "platform/" ;;
    engine/*) echo "engine/" ;;
    game/additions/*) echo "game/additions/" ;;
    game/*) echo "game/" ;;
    *) echo "" ;;
    esac
}

status=0
while IFS= read -r file; do
    may=$(allowed "$file")
    while IFS= read -r header; do
        if [ "$header" = game/main.h ] && [ "$file" != game/entry.cpp ] && [ "$file" != game/main.cpp ]; then
            echo "$file includes $header: only the entry includes the program's top"
            status=1
            continue
        fi
        [ "$may" = "*" ] && continue
        folder=$(folder_of "$header")
        [ -z "$folder" ] && continue
        case " $may " in
        *" $folder "*) ;;
        *) echo "$file includes $header, from a layer above its own"; status=1 ;;
        esac
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    case "$file" in
    platform/* | tests/*) ;;
    *) if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(SDL|AL/|fontconfig/|X11/)' "$file"; then
           echo "$file includes a system library's header outside the platform layer"
           status=1
       fi ;;
    esac
done < <(find platform engine game tools bench fuzz tests -name '*.cpp' -o -name '*.h' | sort)
[ $status = 0 ] && echo "layers: every include points down"
exit $status
