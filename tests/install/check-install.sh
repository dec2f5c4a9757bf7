#!/usr/bin/env bash
# Installs the built program into a temporary DESTDIR with prefix /usr and
# checks the installed tree: files in their places, the desktop entry and the
# AppStream metadata valid, and the installed program itself: --version, a bad
# argument, and a start with a directory of pictures (see startprobe.cpp).
# Usage: check-install.sh <build dir> <source dir> <module dir in the prefix>
#        <module dir as seen from bin/> <probe library>
set -euo pipefail
build=$1 source=$2 moduledir=$3 modulereldir=$4 probe=$5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Installing a half-built tree would test old files: the build must be done.
if [ -f "$build/build.ninja" ] && ! ninja -C "$build" -n | grep -q 'no work to do'; then
  fail "the build is not finished: build first, then run the tests"
fi
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" \
  || { cat "$work/install.log"; fail "cmake --install"; }
root=$work/root/usr

for file in bin/vellisk "$moduledir/libvellisk_webengine.so" share/vellisk/vellisk.HLP \
    share/applications/com.qorvin.Vellisk.desktop share/metainfo/com.qorvin.Vellisk.metainfo.xml \
    share/icons/hicolor/scalable/apps/vellisk.svg share/icons/hicolor/48x48/apps/vellisk.png \
    share/doc/vellisk/copyright share/doc/vellisk/changelog.gz share/man/man1/vellisk.1.gz; do
  [ -f "$root/$file" ] || fail "$file is not installed"
done
# The program alone in bin/: it has to find the rest in the prefix.
[ "$(ls "$root/bin")" = vellisk ] || fail "bin/ holds more than the program: $(ls "$root/bin")"
# Width and height of the PNG icon: bytes 16 to 23 of its header.
[ "$(od -An -tx1 -j16 -N8 "$root/share/icons/hicolor/48x48/apps/vellisk.png" | tr -d ' \n')" \
  = 0000003000000030 ] || fail "the PNG icon is not 48 x 48"
# No path of the build tree in the program's constant data.
if readelf -p .rodata "$root/bin/vellisk" | grep -qF "$(realpath "$build")"; then
  fail "the program names the build directory"
fi

desktop-file-validate "$root/share/applications/com.qorvin.Vellisk.desktop" >"$work/dfv.log" \
  || { cat "$work/dfv.log"; fail "desktop-file-validate"; }
appstreamcli validate --no-net "$root/share/metainfo/com.qorvin.Vellisk.metainfo.xml" >"$work/as.log" \
  || { cat "$work/as.log"; fail "appstreamcli validate"; }

# Help, version and errors need no display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/vellisk" --version >"$work/out"
[ "$(cat "$work/out")" = "Vellisk 1.0" ] || fail "--version printed: $(cat "$work/out")"
status=0
"$root/bin/vellisk" "$work/no such thing" 2>"$work/err" >"$work/out" || status=$?
[ "$status" = 2 ] || fail "a bad argument ended with status $status"
grep -qF "no such thing" "$work/err" || fail "a bad argument was not named: $(cat "$work/err")"

# A start with a directory: the search runs and lists the pictures, the help
# window shows the installed manual, the module loads, and nothing is printed
# on standard error.
pictures=$work/pictures
mkdir -p "$pictures/sub" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
for name in one.jpg sub/two.jpg notes.txt; do echo "$name" >"$pictures/$name"; done
status=0
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
  PROBE_MODULE_RELDIR="$modulereldir" LD_PRELOAD="$probe" \
  timeout 60 "$root/bin/vellisk" "$pictures" >"$work/out" 2>"$work/err" || status=$?
# The offscreen platform says so whenever a window is raised or sized.
grep -v '^This plugin does not support ' "$work/err" >"$work/errors" || true
title=$(sed -n 's/^= //p' "$source/resources/vellisk.HLP" | head -n 1)
expected="status: 検索完了 : 2 件
entry: $pictures/one.jpg
entry: $pictures/sub/two.jpg
help: $title
module: loads"
if [ "$status" != 0 ] || [ -s "$work/errors" ] \
    || [ "$(LC_ALL=C sort "$work/out")" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  echo "--- status $status; standard output:"; cat "$work/out"
  echo "--- standard error:"; cat "$work/err"
  fail "the installed program did not run as expected"
fi
echo "installed tree and program: all checks passed"
