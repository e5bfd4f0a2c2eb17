#!/bin/bash
# Builds the release a second time, from a copy of the source in another folder, and compares
# it byte for byte with an earlier build: korvane.exe, the stand-in, every WAV, the zip, the
# MSI and SHA256SUMS. A signed earlier build is rebuilt unsigned with its published signatures
# attached (KORVANE_SIGNATURES), so its signed files compare too, and its signatures.
#
#   reproducible_check.sh SOURCE_DIR BUILD_DIR WORK_DIR
#
# BUILD_DIR is the earlier build (its release target built). The copy and its build go into
# WORK_DIR, which is removed when the check passes and kept for a look when it fails.
set -euo pipefail
(($# == 3)) || { echo "usage: $0 SOURCE_DIR BUILD_DIR WORK_DIR" >&2; exit 2; }
source_dir=$(cd "$1" && pwd)
first=$(cd "$2" && pwd)
work=$(realpath -m "$3")

# Both builds take their file times from the same commit; the copy has no git history.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct)}
export SOURCE_DATE_EPOCH

toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$first/CMakeCache.txt")
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$first/CMakeCache.txt")
signatures=$(sed -n 's/^KORVANE_SIGNATURES:[A-Z]*=//p' "$first/CMakeCache.txt")
[[ -z $(sed -n 's/^KORVANE_SIGN_CERT:[A-Z]*=//p' "$first/CMakeCache.txt") ]] || signatures=$first/package
rm -rf "$work"
mkdir -p "$work/elsewhere/korvane-source"
copy=$work/elsewhere/korvane-source
second=$work/second-build
# Tracked files and new ones not yet committed, as they are in the working tree.
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 cp --parents -t "$copy" 2>/dev/null || true)
[[ -f $copy/CMakeLists.txt ]] || { echo "FAIL: could not copy the source" >&2; exit 1; }

t0=$SECONDS
cmake -S "$copy" -B "$second" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DKORVANE_BENCH=OFF \
    ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$copy/${toolchain#"$source_dir"/}"} \
    ${signatures:+-DKORVANE_SIGNATURES="$signatures"} >"$work/configure.log"
cmake --build "$second" --target release -j2 >"$work/build.log" ||
    { tail -30 "$work/build.log"; echo "FAIL: the second build failed" >&2; exit 1; }
echo "second build: $((SECONDS - t0)) s"

status=0
checked=0
while IFS= read -r -d '' file; do
    relative=${file#"$first"/}
    a=$(sha256sum <"$file" | cut -c1-64)
    b=$(sha256sum <"$second/$relative" 2>/dev/null | cut -c1-64 || true)
    checked=$((checked + 1))
    case $relative in *.wav) ;; *) echo "$a  $relative" ;; esac
    if [[ $a != "$b" ]]; then
        echo "DIFFERS: $relative (second build: ${b:-missing})"
        status=1
    fi
done < <(find "$first/src/windows" "$first/tools/satpc32-standin" "$first/package" \
    \( -name korvane.exe -o -name satpc32-standin.exe -o -name '*.wav' -o -name '*.zip' -o -name '*.msi' \
    -o -name '*.p7s' -o -name SHA256SUMS \) -print0 | sort -z)

if ((status == 0)); then
    echo "reproducible: $checked files identical in $first and $second"
    rm -rf "$work"
else
    echo "FAIL: not reproducible; both builds kept ($second)"
fi
exit $status
