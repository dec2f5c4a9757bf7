#!/usr/bin/env bash
# Runs each fuzzer for a short while over its seed corpus (fuzz/corpus/<name>).
set -euo pipefail
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}
here=$(cd "$(dirname "$0")/.." && pwd)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
for fuzzer in "$build"/fuzz/fuzz_*; do
  [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="$here/fuzz/corpus/$name"
  work=$(mktemp -d)
  echo "== $name (${seconds}s)"
  args=("$work")
  [ -d "$corpus" ] && args+=("$corpus")
  "$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 "${args[@]}"
  rm -rf "$work"
done
