#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Tries the built packages as a new user would: installs them with apt-get, starts the program
# from its menu entry under a virtual display, checks that its window carries the class and the
# icon the entry promises, then removes the packages and checks that nothing of them is left.
# Changes this machine's installed packages: run it where that is wanted (root or sudo).
set -euo pipefail
build=${1:-build}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
id=com.harnok.Tobrisk
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$PWD/$build/tobrisk_${version}_${arch}.deb" \
    "$PWD/$build/tobrisk-exchange-sim_${version}_${arch}.deb" >/dev/null
installed=$(dpkg -L tobrisk tobrisk-exchange-sim)

echo "Installed: $(command -v tobrisk) ($(tobrisk --version)), $(command -v exchange-sim)"
exchange-sim --help >/dev/null

# The menu entry's command, started the way a desktop would, with settings kept out of $HOME.
command=$(sed -n 's/^Exec=//p' "/usr/share/applications/$id.desktop")
settings=$(mktemp -d)
XDG_CONFIG_HOME=$settings xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
    $command & app=\$!
    for _ in \$(seq 50); do
        window=\$(xwininfo -root -tree | awk '/\"Tobrisk\"\\)/ && /\"tobrisk\"/ { print \$1; exit }')
        [ -n \"\$window\" ] && break
        sleep 0.2
    done
    status=1
    if [ -z \"\$window\" ]; then
        echo 'try-package: no window of class Tobrisk appeared' >&2
    elif ! xprop -id \"\$window\" _NET_WM_ICON | grep -q 'Icon'; then
        echo 'try-package: the window has no icon' >&2
    else
        echo \"Menu entry started: window \$window, \$(xprop -id \"\$window\" WM_CLASS), with its icon\"
        status=0
    fi
    kill \$app
    wait \$app 2>/dev/null
    exit \$status"
rm -rf "$settings"

$sudo apt-get remove -y -qq tobrisk tobrisk-exchange-sim >/dev/null
left=$(while read -r path; do [ -f "$path" ] && echo "$path"; done <<<"$installed" || true)
if [ -n "$left" ]; then
    echo "try-package: left after removal:" >&2
    echo "$left" >&2
    exit 1
fi
echo "Removed: no file of either package is left"
