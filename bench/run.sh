#!/bin/bash
# Benchmark figures of korvane.exe on this machine, in one command (about 3 to 4 minutes):
#   - item change -> mirror latency, 200 changes; item change -> status line, 20 changes
#   - the tick's own cost, natively with Google Benchmark over korvane_core's Tick with fakes
#   - CPU use while idle and linked (GetProcessTimes over 30 s), resident memory
#   - korvane.exe's size; start-up time to a shown window beside a minimal Win32 program
# Everything Windows runs under Wine in a private session (Xvfb, PulseAudio null sink).
#
#   bench/run.sh [--write-doc] [--session DIR] [--build-dir DIR] [--native-build-dir DIR]
#
# --write-doc   also put the figures into docs/benchmarks.md (between its figure markers)
# The figures are printed as Markdown and kept in BUILD_DIR/benchmarks-figures.md.
set -u -o pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build_dir=$PROJECT_DIR/build/bench
native_dir=$PROJECT_DIR/build/bench-native
session=
write_doc=0
while (($#)); do
    case $1 in
        --build-dir) build_dir=$2; shift 2 ;;
        --native-build-dir) native_dir=$2; shift 2 ;;
        --session) session=$2; shift 2 ;;
        --write-doc) write_doc=1; shift ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
command_line="bench/run.sh"
((write_doc)) && command_line="bench/run.sh --write-doc"

echo "building (Windows: $build_dir, native: $native_dir) ..." >&2
build_windows "$build_dir" || { echo "run.sh: Windows build failed" >&2; exit 1; }
if [[ ! -f $native_dir/build.ninja ]]; then
    cmake --preset native -S "$PROJECT_DIR" -B "$native_dir" >/dev/null || exit 1
fi
cmake --build "$native_dir" --target korvane_tick_bench >/dev/null || { echo "run.sh: native build failed" >&2; exit 1; }
export_paths "$build_dir" || exit 1
tick_bench=$(find_target "$native_dir" korvane_tick_bench)

echo "starting the Wine session ..." >&2
use_session "$session" "$build_dir" || exit 1
trap stop_own_session EXIT
export KORVANE_WINE_TIMEOUT=400

out=$build_dir/benchmarks-figures.md
failed=0
{
    echo "Produced by \`$command_line\` on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores," \
        "$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) RAM;" \
        "$(. /etc/os-release && echo "$PRETTY_NAME"); $(wine_version); kernel $(uname -r);" \
        "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)."
    echo
    echo "korvane.exe: $(x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -n1 || echo MinGW-w64), Release, static."
    echo
    echo "| figure | value |"
    echo "|---|---|"
    korvane_bytes=$(stat -c %s "$KORVANE_EXE")
    minimal_bytes=$(stat -c %s "$MINIMAL_EXE")
    echo "| korvane.exe size | $korvane_bytes bytes ($(awk -v b="$korvane_bytes" 'BEGIN { printf "%.1f", b / 1024 }') KiB); minimal window program: $minimal_bytes bytes |"
} | tee "$out"

echo "running the timings under Wine (about 2 minutes) ..." >&2
"$WINE_RUN" "$BENCH_EXE" timings --mirror-changes 200 --status-changes 20 --idle-s 30 2>&1 | tr -d '\r' | tee -a "$out"
((PIPESTATUS[0] == 0)) || failed=1
echo "timing the start-up (10 runs each) ..." >&2
"$WINE_RUN" "$BENCH_EXE" startup --runs 10 --minimal "Z:$MINIMAL_EXE" 2>&1 | tr -d '\r' | tee -a "$out"
((PIPESTATUS[0] == 0)) || failed=1

echo "running the native tick benchmark ..." >&2
{
    echo
    echo "Tick cost, natively (Google Benchmark, \`korvane_tick_bench\`; fakes stand in for the window and the sound calls):"
    echo
    echo '```'
    "$tick_bench" --benchmark_min_time=0.5 2>&1 | grep -E '^(Benchmark|BM_|-+$)'
    echo '```'
} | tee -a "$out"

if ((write_doc)); then
    doc=$PROJECT_DIR/docs/benchmarks.md
    python3 - "$doc" "$out" <<'PY'
import sys
doc, figures = sys.argv[1], open(sys.argv[2]).read().strip()
text = open(doc).read()
begin, end = "<!-- figures:begin -->", "<!-- figures:end -->"
head, rest = text.split(begin, 1)
_, tail = rest.split(end, 1)
open(doc, "w").write(head + begin + "\n" + figures + "\n" + end + tail)
PY
    echo "figures written to $doc" >&2
fi
exit "$failed"
