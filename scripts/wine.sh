# Sourced: what the scripts share about wine (cmake/wine-run.sh runs it).
wine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# windows_arch_choose
# Which build of the Windows programs this machine's wine runs. Many x86-64
# machines run no 32-bit code (64-bit-only kernels, some containers, WSL 1):
# there wine's 32-bit loader, and with it every x86 program, fails with
# "Exec format error" (exit status 126), while wine64 runs the x64 programs.
# So the loader itself is run, not guessed from the installed packages; where
# it is not installed at all (the setup could not install the optional x86
# wine, behind a mirror that lags), that is said, with apt's reason.
# Sets WINDOWS_ARCH to x86 where it runs, else to x64; MORVANE_WINDOWS_ARCH=x64
# takes x64 on any machine. WINDOWS_ARCH_REASON says why, for a line of
# output; WINDOWS_PRESET names the build's preset (windows or windows-x64).
# Fails, saying why, where wine runs neither.
windows_arch_choose() {
    local loader32 loader64 status apt_said
    case ${MORVANE_WINDOWS_ARCH:-} in
        x64)
            WINDOWS_ARCH=x64
            WINDOWS_ARCH_REASON="MORVANE_WINDOWS_ARCH=x64"
            ;;
        "")
            WINDOWS_ARCH=x64
            if loader32=$("$wine_root/cmake/wine-run.sh" --arch x86 --loader-runs 2>&1); then
                WINDOWS_ARCH=x86
                WINDOWS_ARCH_REASON="this machine runs 32-bit code (wine's 32-bit loader: $loader32)"
            elif status=$?; [ $status -eq 127 ]; then
                apt_said=$(cat "$wine_root/build/.optional-packages-missing" 2>/dev/null || true)
                if [ -n "$apt_said" ]; then
                    WINDOWS_ARCH_REASON="the x86 wine (wine32:i386) could not be installed (apt: $apt_said)"
                else
                    WINDOWS_ARCH_REASON="the x86 wine (wine32:i386) is not installed"
                fi
            else
                WINDOWS_ARCH_REASON="this machine runs no 32-bit code (wine's 32-bit loader, exit status $status: $loader32)"
            fi
            ;;
        *)
            echo "MORVANE_WINDOWS_ARCH is x64 or unset, not '$MORVANE_WINDOWS_ARCH'" >&2
            return 1
            ;;
    esac
    if [ "$WINDOWS_ARCH" = x64 ] && ! loader64=$("$wine_root/cmake/wine-run.sh" --arch x64 --loader-runs 2>&1); then
        echo "$WINDOWS_ARCH_REASON, and wine's 64-bit loader does not run either: $loader64" >&2
        return 1
    fi
    WINDOWS_PRESET=windows
    [ "$WINDOWS_ARCH" = x86 ] || WINDOWS_PRESET=windows-x64
}

# wine_quietly ARGUMENT...: cmake/wine-run.sh --quiet with the ARGUMENTs.
wine_quietly() { "$wine_root/cmake/wine-run.sh" --quiet "$@"; }
