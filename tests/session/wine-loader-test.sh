#!/bin/bash
# Checks how wine-loader.sh chooses the Wine loader and how wine-run.sh skips what the session
# cannot run, with stand-in loaders and program files made here: no Wine is started.
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

check() { # check DESCRIPTION ACTUAL EXPECTED_PATTERN
    if [[ $2 == $3 ]]; then
        passes=$((passes + 1))
    else
        echo "FAIL: $1: got '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}

# Loaders: one that runs, one that cannot be executed here ("Exec format error").
printf '#!/bin/sh\necho wine-8.0\n' >"$work/runs"
printf '\177ELF\001\001\001 not a program for this machine' >"$work/cannot"
chmod +x "$work/runs" "$work/cannot"

# choice WINE32 [KORVANE_WINE_64BIT_ONLY]: the loader's choice as one line.
choice() {
    (
        unset WINELOADER
        KORVANE_WINE32_LOADER=$1 KORVANE_WINE64_LOADER=$work/runs KORVANE_WINE_64BIT_ONLY=${2:-0}
        source "$here/wine-loader.sh"
        korvane_choose_wine
        echo "$KORVANE_WINE|$KORVANE_WINE_32BIT|${WINELOADER:-}|$KORVANE_WINE_32BIT_WHY"
    )
}
check "32-bit loader runs" "$(choice "$work/runs")" "wine|yes||"
check "kernel without 32-bit support" "$(choice "$work/cannot")" \
    "$work/runs|no|$work/runs|this machine cannot run 32-bit programs (*format error*)"
check "no wine32 installed" "$(choice "$work/missing")" "$work/runs|no|$work/runs|no 32-bit Wine loader*"
check "64-bit-only path asked for" "$(choice "$work/runs" 1)" "$work/runs|no|$work/runs|*KORVANE_WINE_64BIT_ONLY=1*"

# Program files: a 32-bit and a 64-bit PE header ("PE\0\0" at 0x40, machine field after it).
pe() { { head -c 60 /dev/zero; printf '\100\000\000\000PE\000\000'; printf "$2"; } >"$work/$1"; }
pe x86.exe '\114\001'
pe x64.exe '\144\206'
(
    source "$here/wine-loader.sh"
    korvane_pe_is_32bit "$work/x86.exe" && echo 32 || echo other
    korvane_pe_is_32bit "$work/x64.exe" && echo 32 || echo other
    korvane_pe_is_32bit "$work/runs" && echo 32 || echo other
) >"$work/kinds"
check "PE machine of x86, x64 and a non-PE file" "$(tr '\n' ' ' <"$work/kinds")" "32 other other "

# wine-run.sh in a session on the 64-bit-only path: the 32-bit program is skipped with the
# reason, the 64-bit one is run by the session's loader.
mkdir -p "$work/session"
cat >"$work/session/env.sh" <<EOF
export KORVANE_WINE='$work/runs'
export KORVANE_WINE_32BIT=no
export KORVANE_WINE_32BIT_WHY='this machine cannot run 32-bit programs'
EOF
run() { KORVANE_WINE_SESSION=$work/session "$here/wine-run.sh" "$@"; echo "exit $?"; }
check "32-bit program skipped" "$(run "$work/x86.exe")" \
    "SKIPPED: x86.exe is a 32-bit program: this machine cannot run 32-bit programs*exit 77"
check "64-bit program run" "$(run "$work/x64.exe")" "wine-8.0*exit 0"
check "--can-run of a 64-bit program" "$(run --can-run "$work/x64.exe")" "exit 0"
echo "export KORVANE_WINE_SKIP_REASON='Wine 10.0 needs root'" >>"$work/session/env.sh"
check "every program skipped with the session's reason" "$(run "$work/x64.exe")" \
    "SKIPPED: x64.exe: Wine 10.0 needs root*exit 77"

echo "$passes passed, $failures failed"
((failures == 0))
