#!/bin/sh
# Checks the include rules of docs/platform.md ("Who includes what"): every header a file of
# library/ or platform/ reaches, directly or through other headers, lies in a folder its own folder
# may include. Asks the compiler (g++ -MM -MG), so nothing is missed through a header in between.
# Usage: scripts/check-includes.sh [repository root]; exits 1 naming every file that breaks a rule.
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2
flags="-std=c++17 -I. -DTAVIX_HAVE_X11 -DTAVIX_HAVE_XI2"
for pkg in sdl2 freetype2 fontconfig; do
    flags="$flags $(pkg-config --cflags "$pkg" 2>/dev/null)"
done

# What a file in the folder may include, beside its own folder: a list of path prefixes.
allowed() {
    case $1 in
        library/*) echo "library/ platform/win32.h" ;;
        platform/kernel/*) echo "platform/kernel/ platform/win32.h" ;;
        platform/gdi/*) echo "platform/gdi/ platform/kernel/ platform/surface.h platform/win32.h" ;;
        platform/user/*)
            echo "platform/user/ platform/gdi/ platform/kernel/ platform/surface.h platform/win32.h" \
                 "platform/backend/backend.h platform/backend/events.h" ;;
        platform/mm/*) echo "platform/mm/ platform/kernel/ platform/win32.h platform/backend/backend.h" ;;
        platform/xinput/*)
            echo "platform/xinput/ platform/kernel/ platform/win32.h platform/backend/backend.h" ;;
        platform/backend/*/*)
            echo "$(dirname "$1")/ platform/backend/backend.h platform/backend/events.h" \
                 "platform/win32.h" ;;
        platform/backend/*) echo "platform/backend/backend.h platform/win32.h" ;;
        platform/*) echo "platform/win32.h" ;;
    esac
}

failed=0
checked=0
for file in $(find library platform -name '*.cpp' -o -name '*.h' | sort); do
    rules=$(allowed "$file")
    [ -n "$rules" ] || continue
    # Only headers of this repository count; the system's and libraries' are outside the rules.
    if ! listed=$(g++ $flags -x c++ -MM -MG "$file" 2>&1); then
        echo "$file: the compiler could not list its headers: $listed" >&2
        failed=1
        continue
    fi
    deps=$(echo "$listed" | tr -d '\\' | tr ' ' '\n' | grep -E '^(\./)?(library|platform)/' |
           sed 's|^\./||' | grep -v -x "$file")
    checked=$((checked + 1))
    for dep in $deps; do
        ok=0
        for prefix in $rules; do
            case $dep in "$prefix"*) ok=1 ;; esac
        done
        if [ $ok = 0 ]; then
            echo "$file reaches $dep, which its folder may not include" >&2
            failed=1
        fi
    done
done
if [ $checked = 0 ]; then
    echo "no file was checked (is g++ installed?)" >&2
    exit 2
fi
[ $failed = 0 ] && echo "include rules: $checked files keep them"
exit $failed
