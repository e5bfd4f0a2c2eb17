#!/bin/bash
# Runs a Windows program inside the Wine test session and returns its exit code.
#
#   wine-run.sh EXE [ARGS...]
#   wine-run.sh --can-run EXE     only says whether EXE would run (0) or be skipped (77)
#
# The session is the directory given by KORVANE_WINE_SESSION; when that is unset,
# the first wine-session/ found in the current directory or one of its parents
# (ctest runs tests inside the build tree, whose top holds wine-session/).
# KORVANE_WINE_TIMEOUT (seconds, default 120) bounds the run; on time-out the exit
# code is 124, as with timeout(1). Standard input and output pass through.
#
# A program that this session cannot run is not run: it is reported as "SKIPPED: <reason>"
# with exit code 77, which CTest counts as skipped (SKIP_RETURN_CODE). That is a 32-bit
# program where 32-bit programs do not run (wine-loader.sh), or any program when the session
# was started with KORVANE_WINE_SKIP_REASON.
set -u

readonly SKIPPED=77
check_only=false
if [[ ${1:-} == --can-run ]]; then check_only=true; shift; fi
(($# >= 1)) || { echo "usage: $0 [--can-run] EXE [ARGS...]" >&2; exit 2; }

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
# shellcheck source=wine-loader.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"

if [[ -n ${KORVANE_WINE_SKIP_REASON:-} ]]; then
    echo "SKIPPED: $(basename "$1"): ${KORVANE_WINE_SKIP_REASON}"
    exit $SKIPPED
fi
if [[ ${KORVANE_WINE_32BIT:-yes} != yes ]] && korvane_pe_is_32bit "$1"; then
    echo "SKIPPED: $(basename "$1") is a 32-bit program: ${KORVANE_WINE_32BIT_WHY}"
    exit $SKIPPED
fi
$check_only && exit 0

exec timeout --kill-after=10 "${KORVANE_WINE_TIMEOUT:-120}" "${KORVANE_WINE:-wine}" "$@"
