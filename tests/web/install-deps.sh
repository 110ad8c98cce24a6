#!/bin/sh
# Installs what the browser stage needs besides the build's own packages, when any is missing:
# Debian's Chromium, and node with npm (with apt-get when run as root, else it prints the one
# command to run). puppeteer-core itself comes from tests/web/package-lock.json through npm ci.
set -e
missing=""
if ! dpkg-query -W -f='${Status}' chromium 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing chromium"
fi
if ! command -v node >/dev/null 2>&1; then missing="$missing nodejs"; fi
if ! command -v npm >/dev/null 2>&1; then missing="$missing npm"; fi
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
