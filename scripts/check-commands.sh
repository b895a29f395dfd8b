#!/bin/bash
# Fails, naming the program and the script, when a script of the project calls
# a program that scripts/packages.txt does not list and the base system of a
# fresh Debian 12 machine (its essential and required packages) lacks.
# Usage: scripts/check-commands.sh [script...]  (default: every script)
set -euo pipefail
cd "$(dirname "$0")/.."

all_scripts=(.ci/run cmake/*.sh scripts/*.sh)
scripts=("$@")
[ ${#scripts[@]} -gt 0 ] || scripts=("${all_scripts[@]}")

declare -A known=()
while read -r package programs; do
    programs=${programs#optional}
    for program in $programs; do known[$program]=$package; done
done < <(grep -v '^[[:space:]]*\(#\|$\)' scripts/packages.txt)
for word in $(compgen -b) $(compgen -k); do known[$word]=shell; done
# Functions of the scripts themselves, which source each other.
for function in $(sed -n 's/^[[:space:]]*\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]*()[[:space:]]*{.*/\1/p' "${all_scripts[@]}"); do
    known[$function]=function
done

in_base_system() {
    local path package
    path=$(command -v "$1" 2>/dev/null) || return 1
    [ "${path#/}" != "$path" ] || return 1
    # Debian 12 merged /bin into /usr/bin; packages may name either.
    package=$(dpkg -S "$path" "${path#/usr}" "$(readlink -f "$path")" 2>/dev/null | head -n 1) || true
    package=${package%%:*}
    [ -n "$package" ] || return 1
    case $(dpkg-query -W -f='${Essential} ${Priority}' "$package" 2>/dev/null) in
        yes*|*required) return 0 ;;
    esac
    return 1
}

# The words in command position of a script, one a line. Bash itself lays the
# script out (comments gone, one command a line); then quoted text (but for
# the command substitutions in it), arithmetic and array values are blanked,
# and the text is cut wherever a command can begin.
commands_of() {
    local body
    body=$(bash -c 'eval "__script() {
$(cat "$1")
}" && declare -f __script' _ "$1") || { echo "check-commands: $1 does not parse" >&2; return 1; }
    perl -0777 -ne '
        # Quoted text becomes "_"; a command substitution inside double
        # quotes stays, as it runs a command.
        my ($out, @states) = ("", "code");
        my @chars = split //;
        for (my $i = 0; $i < @chars; ++$i) {
            my ($c, $next, $state) = ($chars[$i], $chars[$i + 1] // "", $states[-1]);
            if ($state eq "single") {
                pop @states if $c eq "\x27";
            } elsif ($state eq "double") {
                if ($c eq "\\") { ++$i }
                elsif ($c eq "\"") { pop @states }
                elsif ($c eq "\$" && $next eq "(") { push @states, "code"; $out .= " \$("; ++$i }
            } else {
                if ($c eq "\\") { $out .= $c . $next; ++$i }
                elsif ($c eq "\x27") { push @states, "single"; $out .= "_" }
                elsif ($c eq "\"") { push @states, "double"; $out .= "_" }
                elsif ($c eq "(") { push @states, "code"; $out .= $c }
                elsif ($c eq ")") { pop @states if @states > 1; $out .= $c }
                else { $out .= $c }
            }
        }
        $_ = $out;
        my $balanced = qr/(?<inner>(?:[^()]++|\((?&inner)\))*)/;
        s/\$?\(\($balanced\)\)/_/g;
        s/\b[A-Za-z_][A-Za-z0-9_]*=\([^)]*\)/ /g;
        s/\$\{[^}]*\}/_/g;
        s/^\s*[^\s()][^()\n]*\)\s*$//mg;   # the patterns of a case
        s/\)/ /g;
        for my $segment (split /\$\(|[`({};|&\n]/) {
            $segment =~ s/^\s+//;
            1 while $segment =~ s/^(?:(?:if|then|else|elif|do|while|until|exec|time|command|!)\s+|[A-Za-z_][A-Za-z0-9_]*=\S*\s*)//;
            print "$1\n" if $segment =~ /^([A-Za-z][A-Za-z0-9_.+-]*)(?:\s|$)/;
        }' <<<"$body" | grep -v -x -E 'for|case|select|function|__script' | sort -u
}

status=0
for script in "${scripts[@]}"; do
    words=$(commands_of "$script") || { status=1; continue; }
    for word in $words; do
        [ -n "${known[$word]:-}" ] && continue
        # dpkg takes a second a question, and the scripts share most words.
        if in_base_system "$word"; then known[$word]=base; continue; fi
        echo "check-commands: $script calls '$word', which scripts/packages.txt does not list" >&2
        status=1
    done
done
exit $status
