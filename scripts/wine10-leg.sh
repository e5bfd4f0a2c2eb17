#!/usr/bin/env bash
# Runs the tests of an already built build/windows that run Windows programs (the unit tests
# under Wine, the stand-in's, the end-to-end tests, the MSI install check) once more under
# Wine 10.0, inside the
# Debian 13 root of scripts/wine10-root.sh (made or refreshed first).
#
#   scripts/wine10-leg.sh [CTEST ARGS...]
#
# The build tree is seen inside at its own path, but what the tests write there (their Wine
# session, logs, work folders) is thrown away afterwards, so the host's build/windows stays as
# the host's run left it. Without root or passwordless sudo it says so in one line and runs the
# tests on the host with KORVANE_WINE_SKIP_REASON set: CTest counts the Wine tests as skipped.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/windows
readonly SKIP_REASON="Wine 10.0 needs root or sudo to enter its Debian 13 root"

echo "=== windows under Wine 10.0 ==="
[ -f "$build/CTestTestfile.cmake" ] ||
  { echo "wine10-leg: $build is not built; run cmake --workflow --preset windows first" >&2; exit 1; }

# Only the tests that run Windows programs; the others ran with the host's build.
wine_tests=$(python3 "$repo/scripts/wine-tests.py" "$build")

if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
  echo "$SKIP_REASON: its tests are skipped"
  KORVANE_WINE_SKIP_REASON=$SKIP_REASON ctest --test-dir "$build" --output-on-failure -R "$wine_tests" "$@"
  exit
fi

# Under Wine 10.0 the recording of the null sink often lacks the first sound after Wine opens
# the audio device (a program that only calls sndPlaySoundA shows it too), so the two checks
# that decode a recording count as skipped here; they run under the host's Wine.
export KORVANE_SKIP_SOUND_DEVICE="under Wine 10.0 the null sink's recording loses the first sound after Wine opens the audio device"

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO="sudo -n"
t0=$SECONDS
bash "$repo/scripts/wine10-root.sh"
root=${KORVANE_WINE10_ROOT:-$repo/build/wine10/root}
t1=$SECONDS

# The interpreter CMake found on the host runs the Python tests; inside, the root's Python does.
python=$(sed -n 's/^_\{0,1\}Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt" | head -n1)
if [ -n "$python" ] && ! $SUDO test -e "$root$python" && ! $SUDO test -L "$root$python"; then
  $SUDO mkdir -p "$root$(dirname "$python")"
  $SUDO ln -s /usr/bin/python3 "$root$python"
fi

# In the background so that an interruption reaches it: it then ends everything inside.
"$repo/scripts/wine10-run.sh" --root "$root" --bind "$repo" --scratch "$build" -- \
  bash -c 'export PYTHONDONTWRITEBYTECODE=1 && source tests/session/wine-loader.sh && korvane_choose_wine &&
    echo "Wine in the Debian 13 root: $("$KORVANE_WINE" --version), loader $KORVANE_WINE" &&
    exec ctest --test-dir "$0" --output-on-failure "$@"' "$build" -R "$wine_tests" "$@" &
run=$!
trap 'kill -TERM "$run" 2>/dev/null; wait "$run" || true; exit 130' INT
trap 'kill -TERM "$run" 2>/dev/null; wait "$run" || true; exit 143' TERM HUP
status=0
wait "$run" || status=$?
echo "wine10-leg: root ready in $((t1 - t0)) s, tests took $((SECONDS - t1)) s"
exit "$status"
