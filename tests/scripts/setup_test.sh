#!/bin/bash
# scripts/setup.sh against stand-ins for apt-get, dpkg, dpkg-query, id and
# locale that fail the way a lagging mirror and a busy machine make them
# fail. Nothing on the machine changes and nothing is fetched: the setup runs
# from a copy of the scripts, and the stand-ins keep what they "install" in a
# file of their own.
set -uo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/tree/scripts" "$work/bin"
cp "$source_root/scripts/setup.sh" "$source_root/scripts/packages.txt" "$work/tree/scripts/"
grep -v '^[[:space:]]*\(#\|$\)' "$source_root/scripts/packages.txt" | awk '$2 != "optional" { print $1 }' >"$work/required"
grep -q '^wine32:i386 .*optional' "$source_root/scripts/packages.txt" || { echo "FAIL: wine32:i386 is not marked optional"; exit 1; }

# The stand-ins. FAKE_* choose how they fail; every apt-get call is logged.
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_STATE/calls"
lock_wait=0
for argument in "$@"; do
    case $argument in DPkg::Lock::Timeout=*) lock_wait=${argument#*=} ;; esac
done
if [ "${FAKE_LOCK_HELD_FOR:-0}" -gt "$lock_wait" ]; then
    echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (unattended-upgr)" >&2
    exit 100
fi
case " $* " in
    *" update "*)
        if [ -n "${FAKE_UPDATE_FAILS:-}" ]; then
            echo "Err:6 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
            echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]" >&2
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
            exit 100
        fi ;;
    *" install "*)
        if [ -n "${FAKE_X86_FAILS:-}" ] && [[ " $* " == *" wine32:i386 "* ]]; then
            echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
            echo "E: Unable to correct problems, you have held broken packages." >&2
            exit 100
        fi
        if [ -n "${FAKE_INSTALL_FAILS:-}" ]; then
            echo "E: Package 'mingw-w64' has no installation candidate" >&2
            exit 100
        fi
        for argument in "$@"; do
            [[ $argument == -* || $argument == install || $argument == *=* ]] || echo "$argument" >>"$FAKE_STATE/installed"
        done ;;
esac
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/bash
grep -qxF "${!#}" "$FAKE_STATE/installed" && printf 'install ok installed'
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/bin/bash
case $1 in
    --print-foreign-architectures) cat "$FAKE_STATE/architectures" 2>/dev/null ;;
    --add-architecture) echo "$2" >>"$FAKE_STATE/architectures" ;;
esac
EOF
printf '#!/bin/bash\necho 0\n' >"$work/bin/id"
printf '#!/bin/bash\nprintf "%%s\\n" zh_CN.utf8 en_US.utf8 zh_TW.utf8 hi_IN.utf8\n' >"$work/bin/locale"
# The locales are all there: a setup that generates them anyway (seconds, and
# a change of the machine's /etc/locale.gen) is caught.
printf '#!/bin/bash\necho "locale-gen" >>"$FAKE_STATE/locale-gen"\n' >"$work/bin/locale-gen"
chmod +x "$work/bin/"*

failures=0
# case | installed before | stand-ins' failures | setup's exit status | lines the output must hold (grep -E, ";" between) | apt-get calls
cases=(
    "nothing missing      | all      |                                 | 0 |                                                                   | 0"
    "update fails         | none     | FAKE_UPDATE_FAILS=1             | 0 | update could not fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz \(File has unexpected size | 3"
    "x86 step fails       | none     | FAKE_X86_FAILS=1                | 0 | could not install the optional wine32:i386: Unable to correct problems, you have held broken packages | 3"
    "both fail            | none     | FAKE_UPDATE_FAILS=1 FAKE_X86_FAILS=1 | 0 | update could not fetch .*Mirror sync in progress;could not install the optional wine32:i386: Unable to correct | 3"
    "x86 retried later    | required | FAKE_UPDATE_FAILS=1 FAKE_X86_FAILS=1 | 0 | could not install the optional wine32:i386 | 2"
    "x86 back later       | required |                                 | 0 | installed the optional wine32:i386 | 2"
    "lock held a while    | none     | FAKE_LOCK_HELD_FOR=120          | 0 | ^setup: installing | 3"
    "required fails       | none     | FAKE_INSTALL_FAILS=1            | 1 | could not install cmake .*: Package 'mingw-w64' has no installation candidate | 2"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name before failing expected_status expected_lines expected_calls <<<"$row"
    name=$(echo $name) before=$(echo $before) expected_status=$(echo $expected_status) expected_calls=$(echo $expected_calls)
    expected_lines=$(echo "$expected_lines" | sed 's/^ *//; s/ *$//')
    state=$work/state-${name// /-}
    mkdir -p "$state"
    case $before in
        all) { cat "$work/required"; echo wine32:i386; } >"$state/installed"; echo i386 >"$state/architectures" ;;
        required) cp "$work/required" "$state/installed"; echo i386 >"$state/architectures" ;;
        none) : >"$state/installed" ;;
    esac
    rm -rf "$work/tree/build"
    output=$(env $failing FAKE_STATE="$state" PATH="$work/bin:$PATH" bash "$work/tree/scripts/setup.sh" 2>&1)
    status=$?
    calls=$(cat "$state/calls" 2>/dev/null | wc -l)
    problems=()
    [ "$status" = "$expected_status" ] || problems+=("exit status $status, not $expected_status")
    [ "$calls" = "$expected_calls" ] || problems+=("$calls apt-get calls, not $expected_calls")
    IFS=';' read -ra wanted <<<"$expected_lines"
    for line in "${wanted[@]}"; do
        grep -qE -- "$line" <<<"$output" || problems+=("no line matching '$line'")
    done
    [ -z "$expected_lines" ] && [ -n "$output" ] && problems+=("said something")
    # Every line is the setup's own: apt's output stays in its log, but for a
    # failure that ends the setup.
    [ "$expected_status" = 0 ] && [ -n "$output" ] && grep -qv '^setup: ' <<<"$output" && problems+=("printed apt's output")
    [ -e "$state/locale-gen" ] && problems+=("generated the locales, which are there")
    grep -q 'Lock::Timeout=[1-9]' "$state/calls" 2>/dev/null || [ "$calls" = 0 ] || problems+=("no wait for the package lock")
    if [[ $failing == *FAKE_X86_FAILS* && $expected_status == 0 ]]; then
        grep -q 'held broken packages' "$work/tree/build/.optional-packages-missing" 2>/dev/null || problems+=("apt's reason not kept for the test command's first line")
        grep -qx wine32:i386 "$state/installed" && problems+=("wine32:i386 installed")
        grep -qx mingw-w64 "$state/installed" || problems+=("the required packages not installed")
    fi
    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok: $name"
    else
        failures=$((failures + 1))
        echo "FAIL: $name: $(IFS=';'; echo "${problems[*]}")"
        echo "$output" | sed 's/^/    | /'
    fi
done
exit $((failures > 0))
