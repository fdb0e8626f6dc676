#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target of a fuzzing build for a bounded time, each from its committed seed corpus.
# Usage: scripts/run-fuzz.sh BUILD_DIR SECONDS_PER_TARGET
# The corpus is copied to a scratch folder first, so what a run discovers never lands in the repository.
# A broken property or a sanitizer report leaves its input in BUILD_DIR/fuzz-artifacts/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

failed=()
for target in "$build"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$scratch/$name"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$scratch/$name/"
  log="$scratch/$name.log"
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "$scratch/$name" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$name: ${runs:-?} runs in ${seconds} s, every property held"
  else
    echo "$name: FAILED" >&2
    grep -E -A1 '^property broken|ERROR: |runtime error:' "$log" | head -n 20 >&2 || tail -n 20 "$log" >&2
    grep -E 'Test unit written' "$log" >&2 || true
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}; replay an input with $build/fuzz/TARGET $artifacts/FILE" >&2
  exit 1
fi
