#!/usr/bin/env bash
# Runs the tests of an already built build/windows that run Windows programs (the unit tests
# under Wine, the stand-in's, the end-to-end tests, the MSI install check) once more under the
# Wine of the other Debian release, inside a root of that release (scripts/debian-root.sh, made
# or refreshed first): on Debian 12 (Wine 8.0) that is Debian 13's Wine 10.0, on Debian 13
# (Wine 10.0) Debian 12's Wine 8.0, and on any other system Debian 13's. The root has the fonts of
# a desktop (Wine's own, DejaVu, Liberation); then the start-up and scale-change tests run once
# more with each other set of fonts a Debian machine may have (tests/session/with-fonts.sh):
# without Liberation (no browser), without Wine's fonts (Wine without its recommended packages),
# and with DejaVu alone.
#
#   scripts/other-wine-leg.sh [CTEST ARGS...]
#
# KORVANE_OTHER_RELEASE (bookworm or trixie) chooses the release; KORVANE_OTHER_WINE_ROOT the
# root's folder (default: build/wine-root/RELEASE). The build tree is seen inside at its own
# path, but what the tests write there (their Wine session, logs, work folders) is thrown away
# afterwards, so the host's build/windows stays as the host's run left it. Without root or
# passwordless sudo it says so in one line and runs the tests on the host with
# KORVANE_WINE_SKIP_REASON set: CTest counts the Wine tests as skipped.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/windows

# The release whose Wine differs from this machine's.
host_release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
case ${KORVANE_OTHER_RELEASE:-$host_release} in
  trixie) release=${KORVANE_OTHER_RELEASE:-bookworm} ;;
  *) release=${KORVANE_OTHER_RELEASE:-trixie} ;;
esac
case $release in
  bookworm) system="Debian 12" ;;
  trixie) system="Debian 13" ;;
  *) echo "other-wine-leg: KORVANE_OTHER_RELEASE must be bookworm or trixie" >&2; exit 2 ;;
esac
root=${KORVANE_OTHER_WINE_ROOT:-$repo/build/wine-root/$release}
# 64-bit Wine only; what wine-session.sh, wine-run.sh, ctest, the end-to-end scripts and the
# MSI install check call.
packages=(wine wine64 fonts-wine fonts-dejavu-extra fonts-liberation xvfb xauth x11-utils pulseaudio pulseaudio-utils
  python3 cmake sox imagemagick procps msitools)

echo "=== windows under $system's Wine ==="
[ -f "$build/CTestTestfile.cmake" ] ||
  { echo "other-wine-leg: $build is not built; run cmake --workflow --preset windows first" >&2; exit 1; }

# Only the tests that run Windows programs; the others ran with the host's build.
wine_tests=$(python3 "$repo/scripts/wine-tests.py" "$build")

if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
  reason="$system's Wine needs root or sudo to enter its $system root"
  echo "$reason: its tests are skipped"
  KORVANE_WINE_SKIP_REASON=$reason ctest --test-dir "$build" --output-on-failure -R "$wine_tests" "$@"
  exit
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO="sudo -n"
t0=$SECONDS
bash "$repo/scripts/debian-root.sh" --release "$release" --root "$root" "${packages[@]}"
t1=$SECONDS

# The interpreter CMake found on the host runs the Python tests; inside, the root's Python does.
python=$(sed -n 's/^_\{0,1\}Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt" | head -n1)
if [ -n "$python" ] && ! $SUDO test -e "$root$python" && ! $SUDO test -L "$root$python"; then
  $SUDO mkdir -p "$root$(dirname "$python")"
  $SUDO ln -s /usr/bin/python3 "$root$python"
fi

# In the background so that an interruption reaches it: it then ends everything inside.
"$repo/scripts/root-run.sh" --root "$root" --bind "$repo" --scratch "$build" -- \
  bash -c 'export PYTHONDONTWRITEBYTECODE=1 && source tests/session/wine-loader.sh && korvane_choose_wine &&
    echo "Wine in the '"$system"' root $1: $KORVANE_WINE_VERSION, loader $KORVANE_WINE" && shift || exit
    status=0
    ctest --test-dir "$0" --output-on-failure "$@" || status=$?
    for fonts in no-liberation no-wine-fonts dejavu-only; do
      echo "=== the window at every scale, fonts: $fonts ==="
      bash tests/session/with-fonts.sh "$fonts" ctest --test-dir "$0" --output-on-failure \
        -R "^korvane_e2e_(startup|scales|dpichange)\$" || status=1
    done
    exit $status' "$build" "$root" -R "$wine_tests" "$@" &
run=$!
trap 'kill -TERM "$run" 2>/dev/null; wait "$run" || true; exit 130' INT
trap 'kill -TERM "$run" 2>/dev/null; wait "$run" || true; exit 143' TERM HUP
status=0
wait "$run" || status=$?
echo "other-wine-leg: $system root ready in $((t1 - t0)) s, tests took $((SECONDS - t1)) s"
exit "$status"
