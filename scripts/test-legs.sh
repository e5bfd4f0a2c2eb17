# Shared by ./test and ./quick-test (sourced, not run): the machine's Wine, and the legs of a
# test run with their verdicts and minutes.

# announce_wine: chooses this machine's Wine loader (tests/session/wine-loader.sh) and says
# which, and what of the tests it cannot run here.
announce_wine() {
  # shellcheck source=../tests/session/wine-loader.sh
  source tests/session/wine-loader.sh
  korvane_choose_wine
  system=$(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-this system}")
  echo "Wine on this machine ($system): $KORVANE_WINE_VERSION, loader $KORVANE_WINE"
  [[ $KORVANE_WINE_32BIT == yes ]] ||
    echo "32-bit Windows programs are not run here ($KORVANE_WINE_32BIT_WHY): the 32-bit build's tests under Wine are skipped"
}

status=0
legs=()
# leg NAME COMMAND...: runs one leg, and notes its verdict and minutes.
leg() {
  local name=$1 start=$SECONDS verdict=passed tenths
  shift
  echo "=== $name ==="
  "$@" || { verdict=FAILED; status=1; echo "=== $name: FAILED ==="; }
  tenths=$(((SECONDS - start) / 6))
  legs+=("$(printf '%-26s %-7s %3d.%d min' "$name" "$verdict" $((tenths / 10)) $((tenths % 10)))")
}

# print_legs: each leg's verdict and minutes.
print_legs() {
  printf '%s\n' "${legs[@]}"
}
