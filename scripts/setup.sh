#!/usr/bin/env bash
# Installs what building and testing need, on a Debian 12 machine, as root.
# Idempotent: packages already there are not touched again.
set -euo pipefail

packages=(
  wine wine64
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64
  cmake make googletest libboost-dev
  xvfb xdotool imagemagick
  wixl msitools
  unixodbc unixodbc-dev gcc
  python3
)

# A caller may name more (the emulated machine's tools, say).
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
# Other installs may hold the dpkg lock for a while: wait for it.
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -q "${missing[@]}"
