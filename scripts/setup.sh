#!/bin/bash
# Installs, on Debian 12 as root, whatever the build and the tests need and
# is not there yet. Quiet when everything is present.
set -euo pipefail

packages=(cmake g++ make googletest mingw-w64 wine wine64 wine32:i386 xvfb xauth
          x11-utils imagemagick fonts-wqy-microhei zip unzip binutils-mingw-w64-i686)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]}; run this as root to install them" >&2
    exit 1
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
