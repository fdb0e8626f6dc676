#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian packages that `make package` built: the files and dependencies of each, the
# desktop entry and metainfo of the program's package, and that the packaged program answers
# --version on a machine without a display.
set -euo pipefail
build=${1:-build}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
program="$build/tobrisk_${version}_${arch}.deb"
simulator="$build/tobrisk-exchange-sim_${version}_${arch}.deb"
id=com.harnok.Tobrisk

failed=0
fail() { echo "check-package: $*" >&2; failed=1; }

# Everything that is not a folder, one path a line: a stray file (a library, a test) shows up here.
files() { dpkg-deb --contents "$1" | awk '$1 !~ /^d/ { print $6 }' | sort; }

expect_files() {
    local deb=$1
    shift
    local expected
    expected=$(printf '%s\n' "$@" | sort)
    diff -u <(echo "$expected") <(files "$deb") >&2 || fail "$(basename "$deb"): unexpected file list (- expected, + found)"
}

# Depends must hold each given pattern; shlibdeps writes versioned library names.
expect_depends() {
    local deb=$1 depends
    shift
    depends=$(dpkg-deb -f "$deb" Depends)
    for pattern in "$@"; do
        grep -qE "(^|, )$pattern" <<<"$depends" || fail "$(basename "$deb"): Depends lacks '$pattern': $depends"
    done
}

icons=()
for size in 16 22 24 32 48 64 128 256; do
    icons+=("./usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
expect_files "$program" ./usr/bin/tobrisk ./usr/bin/tobrisk-cli ./usr/share/man/man1/tobrisk-cli.1 \
    ./usr/share/bash-completion/completions/tobrisk-cli ./usr/share/doc/tobrisk/copyright "./usr/share/applications/$id.desktop" \
    "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/scalable/apps/$id.svg" "${icons[@]}"
expect_files "$simulator" ./usr/bin/exchange-sim ./usr/share/doc/tobrisk-exchange-sim/copyright

expect_depends "$program" 'libc6 \(>= ' 'libstdc\+\+6 \(>= ' 'libqt6core6 \(>= ' 'libqt6gui6 \(>= ' \
    'libqt6widgets6 \(>= ' 'libqt6printsupport6 \(>= ' 'qt6-qpa-plugins'
# The start loads no networking library: the single-instance socket is a plain one.
if dpkg-deb -f "$program" Depends | grep -q libqt6network6; then
    fail "$(basename "$program"): the program must not need the network module: $(dpkg-deb -f "$program" Depends)"
fi
expect_depends "$simulator" 'libc6 \(>= ' 'libstdc\+\+6 \(>= '
if dpkg-deb -f "$simulator" Depends | grep -q qt6; then
    fail "$(basename "$simulator"): the simulator must not need Qt: $(dpkg-deb -f "$simulator" Depends)"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$program" "$root"
desktop="$root/usr/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "$id.desktop does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >&2 || fail "$id.metainfo.xml does not validate"

# The entry must start the packaged program, show the packaged icon and group the program's window.
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")" ] || fail "Exec names no packaged program"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "Icon is not $id"
[ "$(sed -n 's/^StartupWMClass=//p' "$desktop")" = Tobrisk ] || fail "StartupWMClass is not the window's class Tobrisk"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo's release is not $version"

grep -qx 'License: GPL-3.0+' "$root/usr/share/doc/tobrisk/copyright" || fail "the copyright file does not state GPL-3.0+"

answer=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/tobrisk" --version) || true
[ "$answer" = "Tobrisk $version" ] || fail "packaged tobrisk --version answered '$answer'"

if [ $failed -ne 0 ]; then
    echo "check-package: FAILED" >&2
    exit 1
fi
echo "check-package: $(basename "$program") and $(basename "$simulator") are sound"
