#!/bin/bash
# Benchmark figures of korvane.exe on this machine, in one command (about 3 minutes; with
# --other-wine about 5, and a few more the first time, to make the root):
#   - item change -> mirror latency, 200 changes; item change -> status line, 20 changes
#   - the tick's own cost, natively with Google Benchmark over korvane_core's Tick with fakes
#   - CPU use while idle and linked, beside a bare window ticking as korvane.exe does; memory
#   - korvane.exe's size; start-up time to a shown window beside a minimal Win32 program
#   - how soon a tracker that is killed or ends the conversation shows as disconnected
# Everything Windows runs under Wine in a private session (Xvfb, PulseAudio null sink).
#
#   bench/run.sh [--write-doc] [--other-wine] [--root DIR] [--session DIR] [--build-dir DIR]
#                [--native-build-dir DIR] [--brief] [--no-build] [--no-native]
#
# --write-doc   also put the figures into docs/benchmarks.md (between its figure markers), with
#               the date and the Wines that ran them; takes --other-wine with it, so that the page
#               always holds both Debian releases' Wines
# --other-wine  run the Wine figures a second time under the Wine of a Debian 13 root (on Debian
#               13, of a Debian 12 root; as scripts/other-wine-leg.sh chooses), which is made
#               first if need be (scripts/debian-root.sh); needs root or sudo without a password
# --root DIR    that root (default: KORVANE_OTHER_WINE_ROOT, else build/wine-root/RELEASE)
# --session DIR join this Wine session for the host's Wine instead of starting a private one
# --brief       each measurement once or a few times, in under half a minute: whether every benchmark
#               still runs and prints its figures (the CTest entry bench_brief), not figures to keep
# --no-build    use the build folders as they are (the CTest entries: ctest runs after the build)
# --no-native   leave out the native tick benchmark (the native build's CTest entry
#               tick_bench_brief runs it briefly)
# The figures are printed as Markdown and kept in BUILD_DIR/benchmarks-figures.md; each Wine's
# are headed with its version. The run fails when a measurement fails or prints no figure.
set -u -o pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build_dir=$PROJECT_DIR/build/bench
native_dir=$PROJECT_DIR/build/bench-native
session=
write_doc=0
other_wine=0
brief=0
build=1
native=1
root=${KORVANE_OTHER_WINE_ROOT:-}
# Inside the other root: only the Wine figures, appended to this file (set by the outer run).
wine_leg_out=
wine_leg_where=
while (($#)); do
    case $1 in
        --build-dir) build_dir=$2; shift 2 ;;
        --native-build-dir) native_dir=$2; shift 2 ;;
        --session) session=$2; shift 2 ;;
        --write-doc) write_doc=1 other_wine=1; shift ;;
        --other-wine) other_wine=1; shift ;;
        --root) root=$2; shift 2 ;;
        --brief) brief=1; shift ;;
        --no-build) build=0; shift ;;
        --no-native) native=0; shift ;;
        --wine-leg) wine_leg_out=$2; wine_leg_where=$3; shift 3 ;;
        -h|--help) sed -n '2,27p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)
if ((brief && (write_doc || other_wine))); then
    echo "run.sh: --brief figures are not kept: it takes neither --write-doc nor --other-wine" >&2
    exit 2
fi
# How many times each thing is measured: in full, or just enough to see that it runs.
if ((brief)); then
    timing_args=(--mirror-changes 5 --status-changes 2 --idle-s 2)
    startup_runs=2 notice_runs=1 tick_min_time=0.01
else
    timing_args=(--mirror-changes 200 --status-changes 20 --idle-s 30)
    startup_runs=20 notice_runs=10 tick_min_time=0.5
fi

# figures OUT COMMAND...: runs one measurement, printing its output and appending it to OUT;
# fails when the measurement fails or prints no figure (a table row).
figures() {
    local out=$1 part=$1.part status
    shift
    "$@" 2>&1 | tr -d '\r' | tee "$part"
    status=${PIPESTATUS[0]}
    cat "$part" >>"$out"
    if ((status == 0)) && ! grep -q '^| ' "$part"; then
        echo "run.sh: $(basename "$2") $3 printed no figure" >&2
        status=1
    fi
    rm -f "$part"
    return "$status"
}

# wine_figures OUT SESSION_OR_EMPTY OWN_SESSION_DIR WHERE: the figures taken under Wine, headed
# with its version, printed and appended to OUT.
wine_figures() {
    local out=$1 given=$2 own=$3 where=$4 status=0
    export_paths "$build_dir" || return 1
    echo "starting the Wine session ($where) ..." >&2
    use_session "$given" "$build_dir" "$own" || return 1
    export KORVANE_WINE_TIMEOUT=400
    {
        echo
        echo "### Under $(wine_version), $where"
        echo
        echo "| figure | value |"
        echo "|---|---|"
    } | tee -a "$out"
    echo "running the timings under Wine (${timing_args[*]}) ..." >&2
    figures "$out" "$WINE_RUN" "$BENCH_EXE" timings "${timing_args[@]}" --ticking "Z:$TICKING_EXE" || status=1
    echo "timing the start-up ($startup_runs runs each) ..." >&2
    figures "$out" "$WINE_RUN" "$BENCH_EXE" startup --runs "$startup_runs" --minimal "Z:$MINIMAL_EXE" || status=1
    echo "timing how soon a tracker that goes away is noticed (4 x $notice_runs runs) ..." >&2
    figures "$out" "$WINE_RUN" "$BENCH_EXE" notice --runs "$notice_runs" || status=1
    stop_own_session
    return "$status"
}

if [[ -n $wine_leg_out ]]; then
    trap stop_own_session EXIT
    wine_figures "$wine_leg_out" "" /tmp/korvane-bench-wine-session "$wine_leg_where"
    exit
fi

command_line="bench/run.sh"
((brief)) && command_line+=" --brief"
if ((write_doc)); then
    command_line+=" --write-doc"
elif ((other_wine)); then
    command_line+=" --other-wine"
fi

# The other Debian release and its root, as scripts/other-wine-leg.sh chooses them.
if ((other_wine)); then
    host_release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    case $host_release in
        trixie) release=bookworm ;;
        *) release=trixie ;;
    esac
    root=${root:-$PROJECT_DIR/build/wine-root/$release}
    if [[ $(id -u) -ne 0 ]] && ! sudo -n true 2>/dev/null; then
        echo "run.sh: --other-wine needs root or sudo without a password" >&2
        exit 1
    fi
    packages=$(sed -n '/^packages=(/,/)/p' "$PROJECT_DIR/scripts/other-wine-leg.sh" | tr -d '()' |
        sed 's/^packages=//')
    # shellcheck disable=SC2086 # the package names, one word each
    bash "$PROJECT_DIR/scripts/debian-root.sh" --release "$release" --root "$root" $packages ||
        { echo "run.sh: no $release root at $root" >&2; exit 1; }
fi

if ((build)); then
    echo "building (Windows: $build_dir, native: $native_dir) ..." >&2
    build_windows "$build_dir" || { echo "run.sh: Windows build failed" >&2; exit 1; }
    if ((native)) && [[ ! -f $native_dir/build.ninja ]]; then
        cmake --preset native -S "$PROJECT_DIR" -B "$native_dir" >/dev/null || exit 1
    fi
    if ((native)); then
        cmake --build "$native_dir" --target korvane_tick_bench >/dev/null ||
            { echo "run.sh: native build failed" >&2; exit 1; }
    fi
fi
export_paths "$build_dir" || exit 1
if ((native)); then
    tick_bench=$(find_target "$native_dir" korvane_tick_bench)
    [[ -n $tick_bench ]] || { echo "run.sh: korvane_tick_bench is not built in $native_dir" >&2; exit 1; }
fi
trap stop_own_session EXIT

out=$build_dir/benchmarks-figures.md
failed=0
{
    echo "Produced by \`$command_line\` on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores," \
        "$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) RAM;" \
        "$(. /etc/os-release && echo "$PRETTY_NAME"); kernel $(uname -r);" \
        "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)."
    echo
    echo "korvane.exe: $(x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -n1 || echo MinGW-w64), Release, static."
    echo
    echo "| figure | value |"
    echo "|---|---|"
    korvane_bytes=$(stat -c %s "$KORVANE_EXE")
    minimal_bytes=$(stat -c %s "$MINIMAL_EXE")
    ticking_bytes=$(stat -c %s "$TICKING_EXE")
    echo "| korvane.exe size | $korvane_bytes bytes ($(awk -v b="$korvane_bytes" 'BEGIN { printf "%.1f", b / 1024 }') KiB); minimal window program: $minimal_bytes bytes; ticking window: $ticking_bytes bytes |"
} | tee "$out"

wine_figures "$out" "$session" "$build_dir/bench-wine-session" \
    "on this machine, $(. /etc/os-release && echo "$PRETTY_NAME")" || failed=1

if ((other_wine)); then
    # The root sees the project (and the build, if elsewhere) at the same paths; what runs
    # inside appends its figures to a file of the build.
    leg_out=$build_dir/benchmarks-figures-other-wine.md
    : >"$leg_out"
    binds=(--bind "$PROJECT_DIR")
    [[ $build_dir == "$PROJECT_DIR"/* ]] || binds+=(--bind "$build_dir")
    other_system=$(. "$root/etc/os-release" && echo "$PRETTY_NAME")
    # In the background so that an interruption reaches it: it then ends everything inside.
    "$PROJECT_DIR/scripts/root-run.sh" --root "$root" "${binds[@]}" -- \
        bash "$BENCH_SOURCE_DIR/run.sh" --build-dir "$build_dir" \
        --wine-leg "$leg_out" "in a $other_system root at $root" &
    run=$!
    trap 'kill -TERM "$run" 2>/dev/null; wait "$run"; exit 130' INT
    trap 'kill -TERM "$run" 2>/dev/null; wait "$run"; exit 143' TERM HUP
    wait "$run" || failed=1
    trap - INT TERM HUP
    cat "$leg_out" >>"$out"
fi

if ((native)); then
    echo "running the native tick benchmark ..." >&2
    {
        echo
        echo "Tick cost, natively (Google Benchmark, \`korvane_tick_bench\`; fakes stand in for the window and the sound calls):"
        echo
        echo '```'
        "$tick_bench" --benchmark_min_time="$tick_min_time" 2>&1 | grep -E '^(Benchmark|BM_|-+$)'
        echo '```'
    } | tee -a "$out"
    grep -q '^BM_' "$out" || { echo "run.sh: korvane_tick_bench printed no figure" >&2; failed=1; }
fi

# The first line names the Wines that ran the figures, in the order they ran.
wines=$(sed -n 's/^### Under \(.*\) (loader .*/\1/p' "$out" | paste -sd';' | sed 's/;/ and /g')
[[ -z $wines ]] || sed -i "1s| UTC\.\$| UTC, under $wines.|" "$out"
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
