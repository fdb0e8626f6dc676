#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source and build file of the project states its licence in one of its first lines.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=$(git ls-files -- '*.cpp' '*.h' '*.sh' '*.cmake' '*CMakeLists.txt' Makefile .ci/run '*.desktop' '*.xml.in' \
          | while read -r f; do head -n 3 "$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$f"; done)
if [ -n "$missing" ]; then
    echo "These files lack the line 'SPDX-License-Identifier: GPL-3.0-or-later' at their top:" >&2
    echo "$missing" >&2
    exit 1
fi
