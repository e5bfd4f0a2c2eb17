#!/bin/bash
# Installs the MSI with msiexec into a fresh Wine prefix, checks what it installed, runs the
# installed korvane.exe beside the stand-in tracker until it speaks a rising satellite, then
# uninstalls it and checks that nothing of it is left.
#
#   msi_install_check.sh MSI E2E_TESTS STANDIN FAKE_WINMM WORK_DIR
#
# Last, a later version (a copy of the MSI made version 9.9.9, a new product) installed over
# this one must replace it.
#
# E2E_TESTS is korvane_e2e_tests.exe of the MSI's architecture; its test Installed.* drives the
# installed program. The Wine session is private to this check (a fresh prefix), started with
# wine-session.sh and removed at the end. Exits 77 (skipped), with wine-run.sh's reason, where
# the session cannot run the architecture's programs (a 32-bit MSI where 32-bit programs do
# not run) or KORVANE_WINE_SKIP_REASON says why Wine runs nothing here.
set -uo pipefail
(($# == 5)) || { echo "usage: $0 MSI E2E_TESTS STANDIN FAKE_WINMM WORK_DIR" >&2; exit 2; }
msi=$(realpath "$1")
e2e_tests=$(realpath "$2")
standin=$(realpath "$3")
fake_winmm=$(realpath "$4")
work=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)
session_script=$here/../session/wine-session.sh
wine_run=$here/../session/wine-run.sh

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
windows_path() { echo "Z:${1//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
session=$work/session
trap '"$session_script" stop "$session"' EXIT
"$session_script" start "$session" || exit 1
export KORVANE_WINE_SESSION=$session
# The installed program is of the same architecture as the test program.
"$wine_run" --can-run "$e2e_tests" || exit $?
# shellcheck disable=SC1091
source "$session/env.sh"
# No desktop menu entries for the shortcut (winemenubuilder writes them under HOME).
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
export HOME=$session

case $(msiinfo suminfo "$msi" | sed -n 's/^Template: //p') in
    x64*) program_files="Program Files" ;;
    *) program_files="Program Files (x86)" ;;
esac
install_dir="$WINEPREFIX/drive_c/$program_files/Korvane"
# find_shortcut NAME: the Start Menu shortcut NAME.lnk, in all users' Start Menu, as Windows
# puts a per-machine shortcut, or in the installing user's own, as Wine does.
find_shortcut() {
    ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$1.lnk" \
        "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/"$1.lnk" \
        2>/dev/null | head -1
}
product_code=$(msiinfo export "$msi" Property | sed -n 's/^ProductCode\t//p' | tr -d '\r')
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
# What the MSI holds, as msitools unpacks it: the installed folder must be exactly that.
msiextract -C "$work/expected" "$msi" >/dev/null || fail "msiextract could not unpack the MSI"
expected=$(find "$work/expected" -type d -name Korvane | head -1)

registry_value() {  # registry_value KEY NAME: the value, from either registry view
    local view
    for view in 64 32; do
        "$wine_run" reg query "$1" /v "$2" /reg:$view 2>/dev/null |
            sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | tr -d '\r' | grep . && return
    done
}
# The list of installed programs takes an installed product's icon from here.
squashed=$(echo "$product_code" | tr -d '{}' | awk -F- '{
    r = ""; for (i = 1; i <= 3; i++) for (j = length($i); j > 0; j--) r = r substr($i, j, 1)
    for (i = 4; i <= 5; i++) for (j = 1; j < length($i); j += 2) r = r substr($i, j + 1, 1) substr($i, j, 1)
    print r }')
product_key="HKLM\\Software\\Classes\\Installer\\Products\\$squashed"

echo "--- install: msiexec /i $(basename "$msi") /qn"
t0=$SECONDS
"$wine_run" msiexec /i "$(windows_path "$msi")" /qn /l*v "$(windows_path "$work/install.log")" ||
    fail "msiexec /i exited with $?"
echo "installed in $((SECONDS - t0)) s"
if diff -r "$expected" "$install_dir"; then
    echo "C:\\$program_files\\Korvane holds exactly the MSI's $(find "$install_dir" -type f | wc -l) files"
else
    fail "the installed folder differs from the MSI's files"
fi
# The program's shortcut and, beside it, the README's.
for shortcut_and_target in "Korvane=korvane.exe" "Korvane README=README.html"; do
    shortcut=$(find_shortcut "${shortcut_and_target%=*}")
    [[ -n $shortcut ]] && echo "shortcut: ${shortcut#"$WINEPREFIX/drive_c/"}" ||
        fail "no Start Menu shortcut ${shortcut_and_target%=*}"
    grep -a -q -i "${shortcut_and_target#*=}" "$shortcut" 2>/dev/null ||
        fail "the shortcut ${shortcut_and_target%=*} does not lead to ${shortcut_and_target#*=}"
done
version=$(msiinfo export "$msi" Property | sed -n 's/^ProductVersion\t//p' | tr -d '\r')
for expectation in "DisplayName=Korvane" "DisplayVersion=$version" "Publisher=Quillom"; do
    name=${expectation%%=*}
    value=$(registry_value "$uninstall_key" "$name")
    [[ $value == "${expectation#*=}" ]] || fail "installed programs: $name is '$value', not '${expectation#*=}'"
done
icon=$(registry_value "$product_key" ProductIcon)
icon_file=$WINEPREFIX/drive_c/$(echo "${icon#?:\\}" | tr '\\' /)
cmp -s "$icon_file" "$here/../../src/windows/korvane.ico" || fail "installed programs: no program icon ('$icon')"
echo "installed programs: Korvane $version by Quillom, icon $icon"

echo "--- the installed korvane.exe speaks a rising satellite"
KORVANE_E2E_INSTALLED=1 \
KORVANE_E2E_KORVANE_EXE="C:\\$program_files\\Korvane\\korvane.exe" \
KORVANE_E2E_STANDIN_EXE=$(windows_path "$standin") \
KORVANE_E2E_FAKE_WINMM=$(windows_path "$fake_winmm") \
    "$wine_run" "$e2e_tests" --gtest_filter=Installed.* >"$work/run.log" 2>&1
run_status=$?
cat "$work/run.log"
((run_status == 0)) && grep -q "^\[  PASSED  \] 1 test" "$work/run.log" && ! grep -q "SKIPPED" "$work/run.log" ||
    fail "the installed program did not speak the warning"
diff -r -q "$expected" "$install_dir" >/dev/null || fail "the run left the installed folder changed"

echo "--- uninstall: msiexec /x $(basename "$msi") /qn"
"$wine_run" msiexec /x "$(windows_path "$msi")" /qn /l*v "$(windows_path "$work/uninstall.log")" ||
    fail "msiexec /x exited with $?"
[[ -e $install_dir ]] && fail "left behind: $(find "$install_dir" | head -5 | tr '\n' ' ')"
[[ -n $(find_shortcut Korvane)$(find_shortcut "Korvane README") ]] && fail "a shortcut is left behind"
[[ -z $(registry_value "$uninstall_key" DisplayName) ]] || fail "still listed in installed programs"
[[ -e $icon_file ]] && fail "the icon is left behind"

echo "--- upgrade: version 9.9.9 installed over $version replaces it"
later=$work/later.msi
later_code="{9E9E9E9E-0000-4000-8000-000000000001}"
cp "$msi" "$later"
upgrade_code=$(msiinfo export "$msi" Property | sed -n 's/^UpgradeCode\t//p' | tr -d '\r')
# The Upgrade table's version columns are part of its key: the row is replaced, not updated.
for query in "UPDATE \`Property\` SET \`Value\`='9.9.9' WHERE \`Property\`='ProductVersion'" \
             "UPDATE \`Property\` SET \`Value\`='$later_code' WHERE \`Property\`='ProductCode'" \
             "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\`='WIX_UPGRADE_DETECTED'" \
             "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
              VALUES ('$upgrade_code', '9.9.9', 1, 'WIX_UPGRADE_DETECTED')"; do
    msibuild "$later" -q "$query" || fail "msibuild could not make the later version ($query)"
done
msibuild "$later" -s Korvane Quillom "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')" \
    "{9E9E9E9E-0000-4000-8000-000000000002}" || fail "msibuild could not give the later version a package code"
"$wine_run" msiexec /i "$(windows_path "$msi")" /qn || fail "reinstalling $version failed"
"$wine_run" msiexec /i "$(windows_path "$later")" /qn /l*v "$(windows_path "$work/upgrade.log")" ||
    fail "installing 9.9.9 over $version failed"
[[ -z $(registry_value "$uninstall_key" DisplayName) ]] || fail "$version is still installed beside 9.9.9"
[[ $(registry_value "${uninstall_key%\\*}\\$later_code" DisplayVersion) == 9.9.9 ]] || fail "9.9.9 is not installed"
diff -r -q "$expected" "$install_dir" >/dev/null || fail "after the upgrade the installed folder differs"
"$wine_run" msiexec /x "$(windows_path "$later")" /qn || fail "uninstalling 9.9.9 failed"
[[ -e $install_dir ]] && fail "left behind after uninstalling 9.9.9"

trap - EXIT
"$session_script" stop "$session"
if ((failures)); then
    echo "FAIL: $failures problem(s); logs in $work"
    exit 1
fi
echo "MSI install, run and uninstall: all checks passed"
rm -rf "$work"
