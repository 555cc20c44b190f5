#!/usr/bin/env bash
# Installs the Debian packages still missing: with --play only what building and playing
# the game needs; otherwise also what the tests, benchmarks and the Windows build need; plus
# any packages named as arguments. Safe to run again. Runs apt-get as root, or through sudo.
set -euo pipefail

# Building and playing: the compiler, CMake, SDL2 and the libraries the program uses.
packages=(g++ cmake ninja-build pkg-config libsdl2-dev libcli11-dev libpng-dev)
if [[ ${1:-} == --play ]]; then
  shift
else
  packages+=(
    libgtest-dev libbenchmark-dev
    g++-mingw-w64-i686 mingw-w64-i686-dev
    xvfb xauth xdotool imagemagick sox matchbox-window-manager wmctrl desktop-file-utils appstream
    libgl1-mesa-dri
  )
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
# Another apt at work on a shared machine holds the lock: wait for it, up to 5 minutes.
"${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${missing[@]}"
