#!/usr/bin/env bash
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

exec "$build/src/tobrisk"
