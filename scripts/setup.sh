#!/bin/bash
# Installs, on Debian 12 as root, whatever the build and the tests need and
# is not there yet. Quiet when everything is present.
set -euo pipefail

# The one list of what the project needs: scripts/packages.txt.
packages=()
while read -r package _; do
    packages+=("$package")
done < <(grep -v '^[[:space:]]*\(#\|$\)' "$(dirname "$0")/packages.txt")

# wine names files in the Unix locale's character set: without a generated
# locale it cannot create a file with a Chinese name. The programs run in
# zh_CN.UTF-8 (code page 936); the tests also run them in the locales that
# give the code pages 1252, 950 and 65001.
locales=(zh_CN en_US zh_TW hi_IN)
ensure_locale() {
    local name missing=0
    for name in "${locales[@]}"; do
        locale -a 2>/dev/null | grep -qix "$name.utf8" && continue
        missing=1
        sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" >>/etc/locale.gen
    done
    [ $missing -eq 0 ] || locale-gen >/dev/null
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    [ "$(id -u)" -eq 0 ] && ensure_locale
    exit 0
fi

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
ensure_locale
