#!/bin/sh
# Installs the Debian packages the build, the tests and the cross-compile need, when any is
# missing: with apt-get when run as root, else it prints the one command to run.
set -e
PACKAGES="cmake ninja-build make g++ pkg-config libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation
libpng-dev libgtest-dev libgmock-dev libbenchmark-dev libcairo2-dev xvfb xdotool x11-apps x11-utils openbox netpbm imagemagick
g++-mingw-w64-i686 clang libclang-rt-14-dev zlib1g-dev python3
g++-mingw-w64-x86-64 wine64 bubblewrap libfaketime
lld llvm zip unzip lintian dpkg-dev file fonttools libcpp-httplib-dev libssl-dev"

# Given package names, it installs those instead (the browser stage's own, say).
[ $# -gt 0 ] && PACKAGES="$*"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing
else
    echo "Missing packages:$missing" >&2
    echo "Run: sudo apt-get install -y$missing" >&2
    exit 1
fi
