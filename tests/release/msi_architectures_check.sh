#!/bin/bash
# The 64-bit and the 32-bit Korvane are two products: installed one after the other into a
# fresh Wine prefix, each has its own entry among installed programs, its own Start Menu
# shortcut and its own folder, and uninstalling one leaves the other whole. Before that, an
# install with a VOICE that names no voice pack must fail and install nothing.
#
#   msi_architectures_check.sh MSI WORK_DIR RELEASE.PY RELEASE_ARGS...
#
# The other architecture's MSI is made by release.py (with RELEASE_ARGS, what made MSI) from
# the same programs: only the package differs, and msiexec installs either package without
# running a program of it, also where 32-bit programs do not run. Exits 77 (skipped) where
# KORVANE_WINE_SKIP_REASON says why Wine runs nothing here.
set -uo pipefail
(($# >= 4)) || { echo "usage: $0 MSI WORK_DIR RELEASE.PY RELEASE_ARGS..." >&2; exit 2; }
msi=$(realpath "$1")
work=$(realpath -m "$2")
release_py=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=SCRIPTDIR/msi_lib.sh
source "$here/msi_lib.sh"

rm -rf "$work"
mkdir -p "$work"
case $(msiinfo suminfo "$msi" | sed -n 's/^Template: //p') in
    x64*) other_arch=x86 ;;
    *) other_arch=x64 ;;
esac
other_name=$(basename "$msi" .msi)-other
python3 "$release_py" "$@" --arch $other_arch --name "$other_name" --out "$work/other" \
    --work "$work/other-work" >"$work/other.log" || { cat "$work/other.log"; exit 1; }
other=$work/other/$other_name.msi

start_session "$work" msiexec

uninstall_key() { echo "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(msi_property "$1" ProductCode)"; }
folder() { echo "$WINEPREFIX/drive_c/$(program_files "$1")/Korvane"; }

echo "--- VOICE=nonsense: refused"
msiexec_run /i "$msi" VOICE=nonsense && fail "an install with VOICE=nonsense succeeded"
[[ -e $(folder "$msi") ]] && fail "an install with VOICE=nonsense left files"

echo "--- $(basename "$msi"), then the other architecture's package"
msiexec_run /i "$msi" || fail "installing $(basename "$msi") failed"
msiexec_run /i "$other" || fail "installing the other architecture's package failed"
names=()
for package in "$msi" "$other"; do
    name=$(msi_property "$package" ProductName)
    names+=("$name")
    [[ $(registry_value "$(uninstall_key "$package")" DisplayName) == "$name" ]] ||
        fail "installed programs do not list '$name'"
    [[ -n $(find_shortcut "$name") ]] || fail "no Start Menu shortcut '$name'"
    [[ -f $(folder "$package")/korvane.exe ]] || fail "no korvane.exe in $(folder "$package")"
done
[[ ${names[0]} != "${names[1]}" ]] || fail "both architectures are named '${names[0]}'"
[[ $(folder "$msi") != $(folder "$other") ]] || fail "both architectures install into $(folder "$msi")"
echo "installed side by side: ${names[*]}"

echo "--- uninstalling the other architecture's leaves $(basename "$msi")'s whole"
msiexec_run /x "$other" || fail "uninstalling the other architecture's package failed"
[[ -e $(folder "$other") ]] && fail "left behind: $(folder "$other")"
[[ -n $(find_shortcut "${names[1]}") ]] && fail "the shortcut '${names[1]}' is left behind"
[[ -n $(find_shortcut "${names[0]}") ]] || fail "the shortcut '${names[0]}' went with the other product"
[[ $(registry_value "$(uninstall_key "$msi")" DisplayName) == "${names[0]}" ]] ||
    fail "'${names[0]}' went from installed programs with the other product"
expected=$(expected_folder "$msi" "$work/expected") || fail "msiextract could not unpack the MSI"
diff -r -q "$expected" "$(folder "$msi")" || fail "$(folder "$msi") lost files with the other product"
msiexec_run /x "$msi" || fail "uninstalling $(basename "$msi") failed"
[[ -e $(folder "$msi") ]] && fail "left behind: $(folder "$msi")"

finish "$work" "both architectures: installed side by side and uninstalled each on its own"
