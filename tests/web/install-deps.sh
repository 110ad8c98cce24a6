#!/bin/sh
# Installs what the browser stage needs besides the build's own packages, when any is missing:
# Debian's Chromium, and node with npm where no node is on the PATH (one from elsewhere is kept).
# puppeteer-core itself comes from tests/web/package-lock.json through npm ci.
set -e
wanted="chromium"
command -v node >/dev/null 2>&1 || wanted="$wanted nodejs"
command -v npm >/dev/null 2>&1 || wanted="$wanted npm"
# shellcheck disable=SC2086
exec sh "$(dirname "$0")/../../scripts/install-deps.sh" $wanted
