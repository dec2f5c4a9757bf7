#!/usr/bin/env bash
# Runs every benchmark of a release build; each prints its BENCH lines.
set -uo pipefail
build=${1:-build-release}
status=0
# Benchmarks never touch the user's shared thumbnails.
XDG_CACHE_HOME=$(mktemp -d)
export XDG_CACHE_HOME
trap 'rm -rf "$XDG_CACHE_HOME"' EXIT
for bench in "$build"/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bench" || status=1
done
exit $status
