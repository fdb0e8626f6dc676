#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes a picture of the main window under a virtual display, for the README.
set -euo pipefail
build=${1:-build}
out=${2:-docs/main-window.png}
mkdir -p "$(dirname "$out")"
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
    \"$build/src/tobrisk\" & app=\$!
    sleep 3
    import -window root \"$out\"
    kill \$app"
echo "Saved $out"
