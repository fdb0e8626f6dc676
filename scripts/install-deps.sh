#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, testing or running Tobrisk needs.
# Quiet and quick when everything is already there; safe to run again.
set -euo pipefail

# clang-format-14 is the pinned formatter of `make format` and `make format-check`.
packages=(cmake ninja-build g++ make qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation
          qt6-translations-l10n clang-format-14)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
