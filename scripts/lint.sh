#!/usr/bin/env bash
# clang-tidy over the program's sources (src/), with the checks of .clang-tidy,
# against the compile commands of a build directory. Any finding fails.
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: build first" >&2; exit 2; }
mapfile -t files < <(git ls-files 'src/*.cpp')
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${files[@]/#/$PWD/}" >"$log" 2>&1
status=$?
# Only the findings: not the commands run nor the counts of suppressed notes.
# A finding in a header shows once for every file that includes it.
sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -v -E '^(clang-tidy-?[0-9]* |[0-9]+ warnings?( and [0-9]+ errors?)? generated|Suppressed [0-9]+ warnings|Use -header-filter|Running clang-tidy|$)' |
  awk '!/: (warning|error): / || !seen[$0]++'
[ $status -eq 0 ] && echo "lint: no findings in ${#files[@]} files"
exit $status
