#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the program's icon from data/icons/tobrisk.svg at the fixed sizes that desktops ask
# for, and the copy that the program carries in its resources. The PNGs are committed, so
# building needs no SVG renderer; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh librsvg2-bin

svg=data/icons/tobrisk.svg
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "data/icons/tobrisk-$size.png"
done
cp data/icons/tobrisk-64.png src/resources/tobrisk.png
echo "Rendered $svg"
