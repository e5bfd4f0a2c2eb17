#!/bin/bash
# Runs a command once for each screen resolution, in the Wine test session started afresh at
# that resolution, as after a user set it in winecfg (the LogPixels value) and restarted Wine.
# Wine 10 takes a new resolution only when Wine starts; a program started earlier shows the old
# one. Each run gets the resolution in KORVANE_E2E_SCREEN_DPI. Afterwards the session is started
# afresh once more at the resolution it had.
#
#   at-screen-resolutions.sh DPI... -- COMMAND [ARGS...]
#
# The session is KORVANE_WINE_SESSION's (see wine-run.sh). Exits with the first failing run's
# code, or 0; a run that wine-run.sh skips (77) skips the rest.
set -u

dpis=()
while (($# > 0)) && [[ $1 != -- ]]; do
    dpis+=("$1")
    shift
done
(($# >= 2 && ${#dpis[@]} > 0)) || { echo "usage: $0 DPI... -- COMMAND [ARGS...]" >&2; exit 2; }
shift

[[ -n ${KORVANE_WINE_SESSION:-} && -f $KORVANE_WINE_SESSION/env.sh ]] ||
    { echo "at-screen-resolutions: no Wine session in KORVANE_WINE_SESSION" >&2; exit 125; }
# shellcheck disable=SC1091
source "$KORVANE_WINE_SESSION/env.sh"
if [[ -n ${KORVANE_WINE_SKIP_REASON:-} ]]; then
    exec "$@"  # wine-run.sh reports the skip
fi

readonly KEY='HKCU\Control Panel\Desktop'

# restart_wine: ends every Wine process of the session and starts its wineserver and services
# again, their output to /dev/null so that nobody reading ours waits for them.
restart_wine() {
    timeout 20 wineserver -k >/dev/null 2>&1
    timeout 20 wineserver -w >/dev/null 2>&1
    wineserver -p </dev/null >/dev/null 2>&1 &&
        timeout 120 "$KORVANE_WINE" cmd /c exit </dev/null >/dev/null 2>&1
}

# set_resolution DPI|"": sets LogPixels (removes it for "") and starts Wine afresh.
set_resolution() {
    if [[ -n $1 ]]; then
        "$KORVANE_WINE" reg add "$KEY" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
    else
        "$KORVANE_WINE" reg delete "$KEY" /v LogPixels /f </dev/null >/dev/null 2>&1
    fi
    restart_wine
}

# reg prints the value in hex (0x60); none where it is not set.
before=$("$KORVANE_WINE" reg query "$KEY" /v LogPixels </dev/null 2>/dev/null | awk '$1 == "LogPixels" { print $3 }')
[[ $before =~ ^0x[0-9a-fA-F]+$ ]] && before=$((before)) || before=
status=0
for dpi in "${dpis[@]}"; do
    echo "=== Wine started at $dpi dpi ==="
    set_resolution "$dpi" || { echo "at-screen-resolutions: Wine did not start at $dpi dpi" >&2; status=1; break; }
    KORVANE_E2E_SCREEN_DPI=$dpi "$@"
    code=$?
    ((code == 77)) && { status=77; break; }
    ((code == 0 || status != 0)) || status=$code
done
set_resolution "$before" || { ((status == 0)) && status=1; }
exit "$status"
