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
  "/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev"
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
  "/usr/bin/wixl wixl"
  "/usr/bin/msiextract msitools"
)

missing=()
for entry in "${required[@]}"; do
  read -r file package <<<"$entry"
  [ -e "$file" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "error: packages missing (${missing[*]}) and neither root nor sudo is available" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# 32-bit Wine runs the 32-bit build's tests; its packages come from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
