# shellcheck shell=bash
# Sourced first by every script, for strict mode (set -eEuo pipefail) in which a command whose
# failure ends the script says which it was, where, and with what status, so that no script
# stops without a word. The trap reaches functions too (-E); a failure inside a subshell or
# command substitution is told once, by the command that holds it. A script that reports a
# failure itself exits without a failing command, and so without this line.
set -eEuo pipefail

# errors_report STATUS LINE COMMAND: the one line, on stderr.
errors_report() {
    [ "$BASH_SUBSHELL" -gt 0 ] ||
        echo "$(basename "$0"): line $2: \"$3\" failed with status $1" >&2
}
trap 'errors_report $? "$LINENO" "$BASH_COMMAND"' ERR

# fail MESSAGE: says MESSAGE after fail_name (the script's name unless set) and ends the script.
fail() { echo "${fail_name:-$(basename "$0" .sh)}: $*"; exit 1; }
