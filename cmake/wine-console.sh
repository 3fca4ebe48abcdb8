#!/usr/bin/env bash
# wine-console.sh WINE PROGRAM [ARGS...]: runs a Windows program under Wine
# the way a Windows console would start it. Wine attaches a console to a
# program only when its standard input is a terminal, so the program reads
# from a pseudo-terminal while its output and status reach the caller as
# they are.
set -euo pipefail
command=$(printf '%q ' "$@")
exec script -qec "$command >&3 2>&4" /dev/null 3>&1 4>&2 >/dev/null
