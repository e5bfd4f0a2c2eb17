#!/usr/bin/env bash
# Installs the Debian packages that building and trying Korvane need, if any is missing.
# Prints what it installs; uses apt-get as root, or through sudo.
set -euo pipefail

# Each line: a file that the package provides, then the package.
required=(
  "/usr/bin/cmake cmake"
  "/usr/bin/ninja ninja-build"
  "/usr/bin/g++ g++"
  "/usr/bin/clang++ clang"
  # scripts/check-format.sh: clang-format 14 on Debian 12, 19 on Debian 13.
  "/usr/bin/clang-format clang-format"
  "/usr/include/gtest/gtest.h libgtest-dev"
  "/usr/src/googletest/CMakeLists.txt googletest"
  "/usr/bin/x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
  "/usr/bin/x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
  "/usr/bin/i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix"
  "/usr/bin/i686-w64-mingw32-windres binutils-mingw-w64-i686"
  "/usr/bin/wine wine"
  "/usr/lib/wine/wine64 wine64"
  "/usr/lib/wine/wineserver32 wine32:i386"
  "/usr/share/wine/fonts/tahoma.ttf fonts-wine"
  # Wine 8 on Debian 12 draws the window's labels in DejaVu Sans; only the condensed face fits
  # every label's box there.
  "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf fonts-dejavu-extra"
  # A desktop's fonts: a browser brings Liberation, which Wine then draws every missing face with.
  "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf fonts-liberation"
  "/usr/bin/Xvfb xvfb"
  "/usr/bin/xauth xauth"
  "/usr/bin/xdpyinfo x11-utils"
  "/usr/bin/pulseaudio pulseaudio"
  "/usr/bin/parecord pulseaudio-utils"
  "/usr/bin/sox sox"
  "/usr/bin/flite flite"
  "/usr/bin/pocketsphinx_batch pocketsphinx"
  "/usr/share/pocketsphinx/model/en-us/en-us/mdef pocketsphinx-en-us"
  "/usr/bin/convert imagemagick"
  "/usr/bin/xdotool xdotool"
  "/usr/bin/python3 python3"
  # The coverage preset's report (scripts/coverage-report.py).
  "/usr/bin/gcovr gcovr"
  "/usr/bin/pgrep procps"
  "/usr/bin/mount mount"
  "/usr/bin/wixl wixl"
  "/usr/bin/msiextract msitools"
  "/usr/bin/osslsigncode osslsigncode"
  "/usr/bin/openssl openssl"
  "/usr/sbin/debootstrap debootstrap"
  "/usr/share/keyrings/debian-archive-keyring.gpg debian-archive-keyring"
)

missing=()
for entry in "${required[@]}"; do
  read -r file package <<<"$entry"
  [ -e "$file" ] || missing+=("$package")
done

# The fuzzer's runtime belongs to whatever clang is installed (LLVM 14 on Debian 12, 19 on
# Debian 13), so it is looked for beside that clang, after clang itself is there.
fuzzer_runtime_missing() {
  local resources major
  resources=$(clang++ -print-resource-dir 2>/dev/null) || return 1
  [ -z "$(find -L "$resources/lib" -name 'libclang_rt.fuzzer*.a' 2>/dev/null | head -n1)" ] || return 1
  major=$(clang++ -dumpversion)
  echo "libclang-rt-${major%%.*}-dev"
}

as_root=()
prepared=false
# install PACKAGE...: installs them, or names those that this system's archive does not have.
install() {
  echo "Installing missing packages: $*"
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 ||
      { echo "error: packages missing ($*) and neither root nor sudo is available" >&2; exit 1; }
    as_root=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  # 32-bit Wine runs the 32-bit build's tests; its packages come from the i386 architecture,
  # whose package lists come with the next update.
  if [[ " $* " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
    prepared=false
  fi
  if ! $prepared; then
    # A mirror in the middle of a sync fails an index now and then ("File has unexpected size"):
    # ask again, and after the last try go on with the indexes that did arrive, so that only a
    # package really missing stops the run (named below).
    local try
    for try in 1 2 3 4; do
      "${as_root[@]}" apt-get update -qq && break
      if [ "$try" -eq 4 ]; then
        echo "warning: apt-get update failed four times; going on with the package lists it has" >&2
      else
        sleep $((try * 15))
      fi
    done
    prepared=true
  fi
  local package unknown=()
  for package in "$@"; do
    apt-cache show --no-all-versions "$package" >/dev/null 2>&1 || unknown+=("$package")
  done
  if [ ${#unknown[@]} -gt 0 ]; then
    echo "error: $(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-this system}")'s package archive has no ${unknown[*]}" >&2
    exit 1
  fi
  # Checked here, not left to set -e, which does not hold where a caller tests the outcome.
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null || return 1
  echo "Installed: $*"
}

# 32-bit Wine comes last and on its own: where its packages cannot be had (an archive without
# i386, a mirror whose i386 lists are mid-sync), everything else still runs, and the 32-bit
# build's tests under Wine are reported as skipped, with the reason (tests/session/wine-loader.sh).
native=() foreign=()
for package in ${missing[@]+"${missing[@]}"}; do
  if [[ $package == *:i386 ]]; then foreign+=("$package"); else native+=("$package"); fi
done
[ ${#native[@]} -eq 0 ] || install "${native[@]}" || exit 1
if [ ${#foreign[@]} -gt 0 ] && ! (install "${foreign[@]}"); then
  echo "warning: ${foreign[*]} could not be installed: 32-bit Windows programs are not run here" >&2
fi
if runtime=$(fuzzer_runtime_missing); then install "$runtime" || exit 1; fi
exit 0
