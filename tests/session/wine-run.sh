#!/bin/bash
# Runs a Windows program inside the Wine test session and returns its exit code.
#
#   wine-run.sh EXE [ARGS...]
#
# The session is the directory given by KORVANE_WINE_SESSION; when that is unset,
# the first wine-session/ found in the current directory or one of its parents
# (ctest runs tests inside the build tree, whose top holds wine-session/).
# KORVANE_WINE_TIMEOUT (seconds, default 120) bounds the run; on time-out the exit
# code is 124, as with timeout(1). Standard input and output pass through.
# With KORVANE_WINE_SKIP_REASON set, nothing runs: it prints "SKIPPED: <reason>" and
# exits with 77, which CTest counts as a skipped test.
set -u

if [[ -n ${KORVANE_WINE_SKIP_REASON:-} ]]; then
    echo "SKIPPED: $KORVANE_WINE_SKIP_REASON"
    exit 77
fi

(($# >= 1)) || { echo "usage: $0 EXE [ARGS...]" >&2; exit 2; }

session=${KORVANE_WINE_SESSION:-}
if [[ -z $session ]]; then
    d=$PWD
    while [[ $d != / ]]; do
        if [[ -f $d/wine-session/env.sh ]]; then session=$d/wine-session; break; fi
        d=$(dirname "$d")
    done
fi
if [[ -z $session || ! -f $session/env.sh ]]; then
    echo "wine-run: no Wine session (${session:-none found}); run wine-session.sh start DIR and set KORVANE_WINE_SESSION=DIR" >&2
    exit 125
fi
# shellcheck disable=SC1091
source "$session/env.sh"

exec timeout --kill-after=10 "${KORVANE_WINE_TIMEOUT:-120}" wine "$@"
