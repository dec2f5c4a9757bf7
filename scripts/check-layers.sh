#!/usr/bin/env bash
# Fails when an include between folders of src/ points up or sideways.
# Floors, top first; a folder may include only folders on lower floors.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"

floor() {
  case "$1" in
    shell) echo 5 ;;
    run) echo 4 ;;
    settings | viewer | disksearch | crawl) echo 3 ;;
    components | record) echo 2 ;;
    picture | common) echo 1 ;;
    *) echo 0 ;;
  esac
}

status=0
while IFS= read -r hit; do
  file="${hit%%:*}"
  from="${file#"$src"/}"
  from="${from%%/*}"
  to="$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"${hit#*:}")"
  [ "$from" = "$to" ] && continue
  if [ "$(floor "$from")" -le "$(floor "$to")" ]; then
    echo "include points up or sideways: $from -> $to in $file"
    status=1
  fi
done < <(grep -rHE '^#include "[a-z]+/' "$src" --include='*.h' --include='*.cpp' | grep -v "^$src/main.cpp:")
exit $status
