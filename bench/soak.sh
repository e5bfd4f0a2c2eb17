#!/bin/bash
# The soak run: korvane.exe under Wine, linked to the stand-in tracker for ten minutes (by
# default) of item changes several times a second, a rising satellite every 30 s with
# no-satellite gaps, and a closed and reopened link every fifth rise. Its memory, GDI and USER
# objects and handles are sampled every rise; the run fails when any of them grows after the
# warm-up beyond 1 MiB (memory) or 5 (objects, handles).
#
#   bench/soak.sh [--minutes M] [--build-dir DIR] [--session DIR] [korvane_bench soak options]
#
# --build-dir  the Windows build to use (default build/bench; configured and built as needed)
# --session    an existing Wine session (tests/session/wine-session.sh); default: a private one
# --no-build   use the build as it is (the CTest entry: ctest runs after the build)
# Other options go to "korvane_bench.exe soak": --warmup-s 90 --change-ms 250 --rise-s 30
#   --relink-every 5 --max-memory-growth-kib 1024 --max-count-growth 5 --hold-ms 30
# The output is also kept in BUILD_DIR/soak.log.
set -u -o pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build_dir=$PROJECT_DIR/build/bench
session=
minutes=10
build=1
pass=()
while (($#)); do
    case $1 in
        --build-dir) build_dir=$2; shift 2 ;;
        --session) session=$2; shift 2 ;;
        --minutes) minutes=$2; shift 2 ;;
        --no-build) build=0; shift ;;
        -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
        *) pass+=("$1"); shift ;;
    esac
done

if ((build)); then
    build_windows "$build_dir" || { echo "soak: build failed" >&2; exit 1; }
fi
export_paths "$build_dir" || exit 1
use_session "$session" "$build_dir" || exit 1
trap stop_own_session EXIT

# Bound the whole run: the soak itself plus start-up and the final report.
export KORVANE_WINE_TIMEOUT=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 + 300 }')
"$WINE_RUN" "$BENCH_EXE" soak --minutes "$minutes" "${pass[@]}" 2>&1 | tee "$build_dir/soak.log"
exit "${PIPESTATUS[0]}"
