# Shared by bench/run.sh and bench/soak.sh (sourced, not run).
# Sets up the environment in which korvane_bench.exe finds korvane.exe, the stand-in tracker
# and the fake winmm.dll, and a private Wine session unless one is given.

BENCH_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PROJECT_DIR=$(dirname "$BENCH_SOURCE_DIR")
WINE_SESSION_SCRIPT=$PROJECT_DIR/tests/session/wine-session.sh
WINE_RUN=$PROJECT_DIR/tests/session/wine-run.sh

# wine_version: the version of the Wine that the session runs, with its loader.
wine_version() {
    (
        # shellcheck source=../tests/session/wine-loader.sh
        source "$PROJECT_DIR/tests/session/wine-loader.sh"
        korvane_choose_wine
        echo "$("$KORVANE_WINE" --version) (loader $KORVANE_WINE)"
    )
}

# build_windows BUILD_DIR: configure (once) and build what the measurements need.
build_windows() {
    local dir=$1
    if [[ ! -f $dir/build.ninja ]]; then
        cmake --preset windows -S "$PROJECT_DIR" -B "$dir" >/dev/null || return 1
    fi
    cmake --build "$dir" --target korvane korvane_bench korvane_bench_minimal_window korvane_bench_ticking_window \
        korvane_fake_winmm satpc32-standin >/dev/null || return 1
}

# find_target BUILD_DIR NAME: the path of a built program or DLL.
find_target() {
    # Not the copies that the release and its reproducibility check make of the programs.
    find "$1" -name "$2" -type f -not -path '*/CMakeFiles/*' -not -path '*/release-work/*' \
        -not -path '*/reproducibility/*' | head -n 1
}

# export_paths BUILD_DIR: the variables korvane_bench.exe reads. Each program is the one that
# KORVANE_BENCH_<PROGRAM> names (the CTest entry names them all), else the one found in BUILD_DIR.
export_paths() {
    local dir=$1 korvane standin winmm
    korvane=${KORVANE_BENCH_KORVANE:-$(find_target "$dir" korvane.exe)}
    standin=${KORVANE_BENCH_STANDIN:-$(find_target "$dir" satpc32-standin.exe)}
    winmm=${KORVANE_BENCH_WINMM:-$(find_target "$dir" winmm.dll)}
    BENCH_EXE=${KORVANE_BENCH_DRIVER:-$(find_target "$dir" korvane_bench.exe)}
    MINIMAL_EXE=${KORVANE_BENCH_MINIMAL:-$(find_target "$dir" korvane_bench_minimal_window.exe)}
    TICKING_EXE=${KORVANE_BENCH_TICKING:-$(find_target "$dir" korvane_bench_ticking_window.exe)}
    KORVANE_EXE=$korvane
    [[ -n $korvane && -n $standin && -n $winmm && -n $BENCH_EXE && -n $MINIMAL_EXE && -n $TICKING_EXE ]] || {
        echo "bench: a program is missing in $dir" >&2
        return 1
    }
    export KORVANE_E2E_KORVANE_EXE="Z:$korvane"
    export KORVANE_E2E_STANDIN_EXE="Z:$standin"
    export KORVANE_E2E_FAKE_WINMM="Z:$winmm"
}

# use_session DIR_OR_EMPTY BUILD_DIR [OWN_DIR]: join the given session, or start a private one
# (in OWN_DIR, by default BUILD_DIR/bench-wine-session) that stop_own_session removes again.
OWN_SESSION=
use_session() {
    local given=$1 dir=$2
    if [[ -n $given ]]; then
        export KORVANE_WINE_SESSION=$given
    else
        OWN_SESSION=${3:-$dir/bench-wine-session}
        "$WINE_SESSION_SCRIPT" start "$OWN_SESSION" || return 1
        export KORVANE_WINE_SESSION=$OWN_SESSION
    fi
}

stop_own_session() {
    if [[ -n $OWN_SESSION ]]; then
        "$WINE_SESSION_SCRIPT" stop "$OWN_SESSION"
        OWN_SESSION=
    fi
}
