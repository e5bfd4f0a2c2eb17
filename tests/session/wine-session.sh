#!/bin/bash
# A private Wine test session: Xvfb display, PulseAudio daemon with a null sink,
# persistent wineserver and a ready Wine prefix, all kept under one directory.
#
#   wine-session.sh start DIR   set it up (or reuse a live one) and write DIR/env.sh
#   wine-session.sh stop DIR    kill everything it started and remove DIR
#
# Later processes run `source DIR/env.sh` (or use wine-run.sh) to join the session.
# The Wine loader is chosen by wine-loader.sh (KORVANE_WINE_64BIT_ONLY=1 forces the 64-bit one).
# With KORVANE_WINE_SKIP_REASON set, start writes only env.sh and starts nothing: every program
# run through wine-run.sh is then reported as skipped with that reason.
set -u -o pipefail

# shellcheck source=wine-loader.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"

readonly MARKER=.korvane-wine-session
readonly START_DEADLINE_S=${KORVANE_SESSION_START_TIMEOUT:-180}

die() { echo "wine-session: $*" >&2; exit 1; }
note() { echo "wine-session: $*" >&2; }

usage() {
    echo "usage: $0 start|stop DIR" >&2
    exit 2
}

# wait_until DEADLINE_S COMMAND...: re-run COMMAND every 50 ms until it succeeds.
wait_until() {
    local deadline=$((SECONDS + $1)); shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# True if PID is alive and its command line contains WORD (guards against pid reuse).
pid_runs() {
    local pid=$1 word=$2
    [[ -n $pid && -r /proc/$pid/cmdline ]] && tr '\0' ' ' </proc/"$pid"/cmdline | grep -q -- "$word"
}

# stop_pid PID WORD: TERM, wait up to 5 s, then KILL.
stop_pid() {
    local pid=$1 word=$2
    pid_runs "$pid" "$word" || return 0
    kill -TERM "$pid" 2>/dev/null
    if ! wait_until 5 bash -c "! [ -e /proc/$pid ] || grep -q '^State:.*Z' /proc/$pid/status"; then
        kill -KILL "$pid" 2>/dev/null
    fi
}

require_tools() {
    local missing=() tool
    for tool in "$KORVANE_WINE" wineserver Xvfb xdpyinfo pulseaudio pactl timeout; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    ((${#missing[@]} == 0)) ||
        die "missing tools: ${missing[*]} (Debian packages: wine wine64 xvfb x11-utils pulseaudio pulseaudio-utils coreutils)"
}

session_alive() {
    local dir=$1 wine=$KORVANE_WINE
    [[ -f $dir/env.sh ]] || return 1
    (
        # shellcheck disable=SC1091
        source "$dir/env.sh"
        # A session started with another loader (say, before KORVANE_WINE_64BIT_ONLY=1) is not reused.
        [[ ${KORVANE_WINE:-} == "$wine" && -z ${KORVANE_WINE_SKIP_REASON:-} ]] &&
            pid_runs "$KORVANE_XVFB_PID" Xvfb &&
            pid_runs "$KORVANE_PULSE_PID" pulseaudio &&
            xdpyinfo >/dev/null 2>&1 &&
            pactl info >/dev/null 2>&1 &&
            [[ -d $WINEPREFIX/drive_c/windows/system32 ]]
    )
}

start_xvfb() {
    local dir=$1 n
    for ((n = 90; n < 190; n++)); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        : >"$dir/xvfb.display"
        # -displayfd makes Xvfb write the number once it accepts connections.
        Xvfb ":$n" -screen 0 2560x1600x24 -nolisten tcp -displayfd 3 \
            3>"$dir/xvfb.display" >"$dir/xvfb.log" 2>&1 &
        XVFB_PID=$!
        echo "$XVFB_PID" >"$dir/xvfb.pid"
        if wait_until 15 grep -q . "$dir/xvfb.display" && DISPLAY=":$n" wait_until 5 xdpyinfo; then
            DISPLAY_NUM=$n
            return 0
        fi
        # Lost a race for this number, or the server failed: try the next one.
        stop_pid "$XVFB_PID" Xvfb
    done
    die "no Xvfb display could be started (see $dir/xvfb.log)"
}

start_pulse() {
    local dir=$1
    mkdir -p "$dir/run/pulse" "$dir/pulse-state"
    chmod 700 "$dir/run" "$dir/run/pulse"
    # Runs as root too: --system=false keeps it a per-user daemon, -n skips default.pa,
    # anonymous auth spares the clients a cookie file.
    XDG_RUNTIME_DIR=$dir/run PULSE_RUNTIME_PATH=$dir/run/pulse PULSE_STATE_PATH=$dir/pulse-state \
        HOME=$dir/pulse-state \
        pulseaudio --daemonize=no --system=false --disallow-exit=true --exit-idle-time=-1 \
        --realtime=false --high-priority=false --use-pid-file=false --disable-shm=true \
        -n --log-target=file:"$dir/pulse.log" \
        -L "module-null-sink sink_name=korvane_sink" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/run/pulse/native" \
        </dev/null >/dev/null 2>&1 &
    PULSE_PID=$!
    echo "$PULSE_PID" >"$dir/pulse.pid"
    PULSE_SERVER=unix:$dir/run/pulse/native
    PULSE_SERVER=$PULSE_SERVER wait_until 15 pactl info ||
        die "PulseAudio did not come up (see $dir/pulse.log)"
    PULSE_SERVER=$PULSE_SERVER pactl set-default-sink korvane_sink ||
        die "could not make korvane_sink the default sink"
}

write_env() {
    local dir=$1
    cat >"$dir/env.sh" <<EOF
# Written by wine-session.sh start; source it to join the session.
export KORVANE_WINE_SESSION='$dir'
export DISPLAY=':$DISPLAY_NUM'
export WINEPREFIX='$dir/prefix'
export WINEDEBUG='-all'
export WINEDLLOVERRIDES='mscoree,mshtml='
export XDG_RUNTIME_DIR='$dir/run'
export PULSE_RUNTIME_PATH='$dir/run/pulse'
export PULSE_SERVER='$PULSE_SERVER'
export PULSE_SINK='korvane_sink'
export KORVANE_XVFB_PID='$XVFB_PID'
export KORVANE_PULSE_PID='$PULSE_PID'
$(wine_env)
EOF
}

# The loader's choice, as lines of env.sh.
wine_env() {
    local name
    for name in KORVANE_WINE KORVANE_WINE_32BIT KORVANE_WINE_32BIT_WHY WINELOADER; do
        [[ -n ${!name:-} ]] && printf "export %s=%q\n" "$name" "${!name}"
    done
}

# Only env.sh, naming why every Wine program of this session is skipped.
write_skipping_env() {
    local dir=$1
    {
        echo "# Written by wine-session.sh start: no session, every Wine program is skipped."
        echo "export KORVANE_WINE_SESSION='$dir'"
        printf "export KORVANE_WINE_SKIP_REASON=%q\n" "$KORVANE_WINE_SKIP_REASON"
    } >"$dir/env.sh"
}

do_start() {
    local dir=$1
    korvane_choose_wine
    if [[ -n ${KORVANE_WINE_SKIP_REASON:-} ]]; then
        [[ -e $dir ]] && do_stop "$dir"
        mkdir -p "$dir" && touch "$dir/$MARKER" || die "cannot create $dir"
        write_skipping_env "$dir"
        note "no session started: $KORVANE_WINE_SKIP_REASON"
        return 0
    fi
    require_tools
    if session_alive "$dir"; then
        note "session in $dir already running"
        return 0
    fi
    [[ -e $dir ]] && do_stop "$dir"
    mkdir -p "$dir" || die "cannot create $dir"
    dir=$(cd "$dir" && pwd)
    touch "$dir/$MARKER"
    # Whatever fails from here on, leave nothing behind.
    STARTING_DIR=$dir
    trap 'do_stop "$STARTING_DIR"' EXIT

    local t0=$SECONDS
    start_xvfb "$dir"
    start_pulse "$dir"
    write_env "$dir"
    # shellcheck disable=SC1091
    source "$dir/env.sh"
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 || die "wineserver -p failed"
    # The first Wine process starts Wine's services, which keep its stdout/stderr open;
    # give them /dev/null so nobody reading our output waits for them.
    timeout "$START_DEADLINE_S" "$KORVANE_WINE" cmd /c exit </dev/null >"${KORVANE_SESSION_DEBUG_LOG:-/dev/null}" 2>&1 ||
        die "first 'wine cmd /c exit' failed or timed out (prefix $WINEPREFIX)"
    [[ -d $WINEPREFIX/drive_c/windows/system32 ]] || die "Wine prefix was not created in $WINEPREFIX"

    trap - EXIT
    note "session ready in $dir (DISPLAY=$DISPLAY, $((SECONDS - t0)) s, $("$KORVANE_WINE" --version), loader $KORVANE_WINE)"
    [[ $KORVANE_WINE_32BIT == yes ]] || note "32-bit programs will be skipped: $KORVANE_WINE_32BIT_WHY"
}

do_stop() {
    local dir=$1
    [[ -e $dir ]] || return 0
    [[ -f $dir/$MARKER ]] || die "$dir is not a session directory (no $MARKER); not touching it"
    dir=$(cd "$dir" && pwd)  # Wine takes only an absolute WINEPREFIX
    local xvfb_pid pulse_pid
    xvfb_pid=$(cat "$dir/xvfb.pid" 2>/dev/null)
    pulse_pid=$(cat "$dir/pulse.pid" 2>/dev/null)
    if [[ -d $dir/prefix ]] && command -v wineserver >/dev/null; then
        WINEPREFIX=$dir/prefix timeout 20 wineserver -k >/dev/null 2>&1
        WINEPREFIX=$dir/prefix timeout 20 wineserver -w >/dev/null 2>&1
    fi
    stop_pid "$pulse_pid" pulseaudio
    stop_pid "$xvfb_pid" Xvfb
    rm -rf -- "$dir"
}

(($# == 2)) || usage
case $1 in
    start) do_start "$2" ;;
    stop) do_stop "$2" ;;
    *) usage ;;
esac
