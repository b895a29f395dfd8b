#!/bin/bash
# Installs, on Debian 12 as root, whatever the build and the tests need and
# is not there yet. Runs no apt at all, and says nothing, when everything is
# present.
#
# In two steps: first every package the project cannot do without, then, in
# a step of its own, the optional ones (scripts/packages.txt): the x86 wine,
# which needs the i386 twins of many libraries at the very versions of their
# amd64 ones, and so is the first to fail behind a mirror that lags. Only a
# failed first step ends the setup. A failed optional step is said in one
# line, and every later run tries it again (a few seconds when it fails
# again), so that the x86 programs run once the mirror has caught up. An
# index that apt-get update cannot fetch (a mirror in the middle of a sync)
# is said in one line too; the setup goes on with the lists it has.
# An apt or dpkg already running (unattended upgrades at boot) is waited for.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

required=()
optional=()
while read -r package marker _; do
    if [ "$marker" = optional ]; then optional+=("$package"); else required+=("$package"); fi
done < <(grep -v '^[[:space:]]*\(#\|$\)' "$root/scripts/packages.txt")

# Why the optional packages are missing, in apt's words, for the scripts
# that choose the programs to run (scripts/wine.sh). Gone once they are in.
optional_note=$root/build/.optional-packages-missing

# wine names files in the Unix locale's character set: without a generated
# locale it cannot create a file with a Chinese name. The programs run in
# zh_CN.UTF-8 (code page 936); the tests also run them in the locales that
# give the code pages 1252, 950 and 65001.
locales=(zh_CN en_US zh_TW hi_IN)
ensure_locale() {
    local name missing=0 generated
    # Read once, not piped into grep -q: under pipefail a grep that stops at
    # its match can make locale fail with SIGPIPE, and every locale would be
    # generated again (seconds) at each run.
    generated=$(locale -a 2>/dev/null || true)
    for name in "${locales[@]}"; do
        grep -qix "$name.utf8" <<<"$generated" && continue
        missing=1
        sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" >>/etc/locale.gen
    done
    [ $missing -eq 0 ] || locale-gen >/dev/null
}

missing_of() {  # package...: prints those not installed
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || echo "$package"
    done
}
mapfile -t missing_required < <(missing_of "${required[@]}")
mapfile -t missing_optional < <(missing_of "${optional[@]}")
if [ ${#missing_optional[@]} -eq 0 ]; then rm -f "$optional_note"; fi
if [ ${#missing_required[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ]; then
    [ "$(id -u)" -eq 0 ] && ensure_locale
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if [ ${#missing_required[@]} -gt 0 ]; then
        echo "setup: missing packages: ${missing_required[*]} ${missing_optional[*]}; run scripts/setup.sh as root to install them" >&2
        exit 1
    fi
    echo "setup: the optional ${missing_optional[*]} is not installed; run scripts/setup.sh as root to install it" >&2
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
# Retries for a download cut off; up to 10 minutes for the package lock.
apt_options=(-q -o Acquire::Retries=3 -o DPkg::Lock::Timeout=600)
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

# apt's own reason for a failure, in one line: its error lines, without "E: ".
apt_reason() {
    local reason
    reason=$(sed -n 's/^E: //p' "$apt_log" | paste -sd ' ' -)
    reason=${reason:-$(tail -n 1 "$apt_log")}
    echo "${reason%.}"
}

if [ ${#missing_required[@]} -gt 0 ]; then
    echo "setup: installing ${missing_required[*]} ${missing_optional[*]}"
fi
if [ ${#missing_optional[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
if ! apt-get "${apt_options[@]}" update >"$apt_log" 2>&1; then
    failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)/\1 (\2)/p' "$apt_log" | paste -sd ';' -)
    echo "setup: apt-get update could not fetch ${failed:-its indexes: $(apt_reason)}; going on with the package lists it has"
fi

if [ ${#missing_required[@]} -gt 0 ]; then
    if ! apt-get "${apt_options[@]}" install -y --no-install-recommends "${missing_required[@]}" >"$apt_log" 2>&1; then
        tail -n 20 "$apt_log" >&2
        echo "setup: could not install ${missing_required[*]}: $(apt_reason)" >&2
        echo "setup: the build and the tests need them; run scripts/setup.sh again once apt can install them (a mirror in the middle of a sync catches up within hours)" >&2
        exit 1
    fi
    ensure_locale
fi

if [ ${#missing_optional[@]} -gt 0 ]; then
    if apt-get "${apt_options[@]}" install -y --no-install-recommends "${missing_optional[@]}" >"$apt_log" 2>&1; then
        rm -f "$optional_note"
        [ ${#missing_required[@]} -gt 0 ] || echo "setup: installed the optional ${missing_optional[*]}"
    else
        reason=$(apt_reason)
        mkdir -p "$(dirname "$optional_note")"
        echo "$reason" >"$optional_note"
        echo "setup: could not install the optional ${missing_optional[*]}: $reason. The x64 programs take the place of the x86 ones; the next run of the setup tries again."
    fi
fi
