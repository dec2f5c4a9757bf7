#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with.
# Only missing packages are installed: apt-get as root, otherwise through sudo.
# Profiles named as arguments add their packages: "bench" for the benchmarks
# (among them real photographs and the tool that embeds their thumbnails),
# which tests and CI never fetch.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libvulkan-dev libqt6sql6-sqlite
  qt6-webengine-dev libqt6webenginecore6-bin
  libjpeg62-turbo-dev
  qt6-image-formats-plugins libavif-dev libwebp-dev webp libavif-bin
  fonts-noto-cjk fonts-ipafont-mincho
  clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth
  librsvg2-bin desktop-file-utils appstream dpkg-dev lintian
  nginx-light openssl
  golang-github-rwcarlsen-goexif-dev
)
for profile in "$@"; do
  case "$profile" in
    bench) packages+=(wget plasma-workspace-wallpapers libimage-exiftool-perl findimagedupes) ;;
    *) echo "unknown profile: $profile" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
