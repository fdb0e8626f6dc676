#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the simulated exchange and Tobrisk beside it, with settings and files kept in the
# build folder so that the user's own settings are never touched.
set -euo pipefail
build=${1:-build}

demo="$build/demo"
mkdir -p "$demo/config" "$demo/data"
export XDG_CONFIG_HOME="$PWD/$demo/config"
export XDG_DATA_HOME="$PWD/$demo/data"

# The demo exchange keeps its edits between runs.
state="$demo/exchange.txt"
seed=()
[ -f "$state" ] && seed=(--seed "$state")
# Its parent becomes the program itself (exec below): whichever way the program ends, even killed,
# the exchange stops with it and keeps what it was sent.
"$build/tools/exchange-sim/exchange-sim" --port 45008 --pppoe-port 45001 "${seed[@]}" --save "$state" \
    --stop-with-parent >"$demo/exchange.log" 2>&1 &
echo "Simulated exchange on 127.0.0.1 port 45008 (log: $demo/exchange.log)"

# A connection book holding the demo exchange (LAN 127.0.0.1, base port 45000, preferred mode
# Ethernet LAN), written once: the user's changes to it survive the next run.
book="$PWD/$demo/book/Agenda.csv"
mkdir -p "$demo/book"
[ -f "$book" ] || printf 'Demo;2130706433;45000;4294967295;65535;;;1;1;;;0;;0;0;0\r\n' >"$book"
# The connection settings point at it unless they already name a book.
conf="$XDG_CONFIG_HOME/Harnok Applications/ZentilConnection.conf"
if ! grep -q '^File=.' "$conf" 2>/dev/null; then
    mkdir -p "$(dirname "$conf")"
    rest=$(grep -v -e '^File=' -e '^\[General\]$' "$conf" 2>/dev/null || true)
    printf '[General]\nFile="%s"\n%s\n' "$book" "$rest" >"$conf"
fi
echo "Connection book: $book"

exec "$build/src/tobrisk"
