#!/usr/bin/env bash
# Runs every benchmark of a release build; each prints its BENCH lines.
set -uo pipefail
build=${1:-build-release}
status=0
for bench in "$build"/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bench" || status=1
done
exit $status
