# Chooses how Korvane's scripts start Wine on this machine (sourced, not run).
#
# Debian and Ubuntu ship two Wine loaders: /usr/lib/wine/wine (32-bit, package wine32) and
# /usr/lib/wine/wine64. Their `wine` wrapper takes the 32-bit loader whenever it is installed,
# and on a kernel that cannot run 32-bit programs that loader fails with "Exec format error".
# So the 32-bit loader is asked whether it runs here; where it does not, or where
# KORVANE_WINE_64BIT_ONLY=1 asks for it, the 64-bit loader is started directly, with
# WINELOADER pointing at it so that the processes Wine starts itself use it too.
#
# korvane_choose_wine sets and exports:
#   KORVANE_WINE            the command that starts a Windows program (wine, or the 64-bit loader)
#   KORVANE_WINE_32BIT      "yes", or "no" when 32-bit Windows programs are not run here
#   KORVANE_WINE_32BIT_WHY  the reason for "no", for the messages of skipped tests
#   KORVANE_WINE_VERSION    what that Wine says of its version, e.g. "wine-8.0 (Debian 8.0~repack-4)"
#   WINELOADER              only on the 64-bit-only path
# The loaders' paths can be given in KORVANE_WINE32_LOADER and KORVANE_WINE64_LOADER.

korvane_choose_wine() {
    local wine32=${KORVANE_WINE32_LOADER:-/usr/lib/wine/wine}
    local wine64=${KORVANE_WINE64_LOADER:-/usr/lib/wine/wine64}
    local why="" error

    if [[ ${KORVANE_WINE_64BIT_ONLY:-0} == 1 ]]; then
        why="the 64-bit-only path was asked for (KORVANE_WINE_64BIT_ONLY=1)"
    elif [[ ! -x $wine32 ]]; then
        why="no 32-bit Wine loader is installed ($wine32)"
    elif ! error=$("$wine32" --version 2>&1 >/dev/null); then
        why="this machine cannot run 32-bit programs (${error##*: })"
    fi

    if [[ -z $why || ! -x $wine64 ]]; then
        # 32-bit programs run, or there is no separate 64-bit loader: the ordinary wrapper.
        KORVANE_WINE=wine
        KORVANE_WINE_32BIT=yes
        KORVANE_WINE_32BIT_WHY=""
        [[ -n $why ]] && { KORVANE_WINE_32BIT=no; KORVANE_WINE_32BIT_WHY=$why; }
    else
        KORVANE_WINE=$wine64
        KORVANE_WINE_32BIT=no
        KORVANE_WINE_32BIT_WHY=$why
        WINELOADER=$wine64
        export WINELOADER
    fi
    # The wrapper starts the 32-bit loader where that runs.
    local asked=$KORVANE_WINE
    [[ $KORVANE_WINE == wine && $KORVANE_WINE_32BIT == yes ]] && asked=$wine32
    KORVANE_WINE_VERSION=$("$asked" --version 2>/dev/null || echo "an unknown Wine")
    export KORVANE_WINE KORVANE_WINE_32BIT KORVANE_WINE_32BIT_WHY KORVANE_WINE_VERSION
}

# korvane_pe_is_32bit FILE: true when FILE is a 32-bit x86 Windows program or DLL.
korvane_pe_is_32bit() {
    local file=$1 pe_offset machine
    # The PE header's offset is the 32-bit value at 0x3c; its machine field follows "PE\0\0".
    pe_offset=$(od -An -tu4 -j60 -N4 "$file" 2>/dev/null | tr -d ' ') || return 1
    [[ -n $pe_offset ]] || return 1
    machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$file" 2>/dev/null | tr -d ' ')
    [[ $machine == 014c ]]
}
