#!/bin/bash
# Installs the MSI with msiexec into a fresh Wine prefix, checks what it installed, runs the
# installed korvane.exe beside the stand-in tracker until it speaks a rising satellite, then
# uninstalls it and checks that nothing of it is left.
#
#   msi_install_check.sh MSI E2E_TESTS STANDIN FAKE_WINMM WORK_DIR
#
# Between, runs on the installed Korvane (a VOICE given again, a reinstall) must leave the
# registry naming the voice pack that lies beside the program; last, a later version (a copy
# of the MSI made version 9.9.9, a new product) installed over this one must replace it, and a
# recorded choice that names no pack must not stop an install.
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
# shellcheck source=SCRIPTDIR/msi_lib.sh
source "$here/msi_lib.sh"

rm -rf "$work"
mkdir -p "$work"
# The installed program is of the same architecture as the test program.
start_session "$work" "$e2e_tests"

program_files=$(program_files "$msi")
install_dir="$WINEPREFIX/drive_c/$program_files/Korvane"
product_name=$(msi_property "$msi" ProductName)
product_code=$(msi_property "$msi" ProductCode)
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
# The installed folder must be exactly what the MSI holds.
expected=$(expected_folder "$msi" "$work/expected") || fail "msiextract could not unpack the MSI"
# The list of installed programs takes an installed product's icon from here.
squashed=$(echo "$product_code" | tr -d '{}' | awk -F- '{
    r = ""; for (i = 1; i <= 3; i++) for (j = length($i); j > 0; j--) r = r substr($i, j, 1)
    for (i = 4; i <= 5; i++) for (j = 1; j < length($i); j += 2) r = r substr($i, j + 1, 1) substr($i, j, 1)
    print r }')
product_key="HKLM\\Software\\Classes\\Installer\\Products\\$squashed"

voice_key='HKLM\Software\Quillom\Korvane'
[[ $program_files == "Program Files" ]] && voice_view=64 || voice_view=32
# voice_beside WHEN PACK: the registry names PACK, and PACK's files lie beside the program.
voice_beside() {
    local wav recorded
    recorded=$(registry_value "$voice_key" Voice)
    [[ $recorded == "$2" ]] || { fail "$1: the registry names the voice pack '$recorded', not '$2'"; return; }
    [[ -d $expected/$2 ]] || return 0
    for wav in "$expected/$2"/*.wav; do
        cmp -s "$wav" "$install_dir/${wav##*/}" || { fail "$1: ${wav##*/} beside the program is not $2's"; return; }
    done
}
record_voice() { "$wine_run" reg add "$voice_key" /v Voice /d "$1" /f /reg:"$voice_view" >/dev/null; }

echo "--- install: msiexec /i $(basename "$msi") /qn"
t0=$SECONDS
msiexec_run /i "$msi" || fail "msiexec /i exited with $?"
echo "installed in $((SECONDS - t0)) s"
if diff -r "$expected" "$install_dir"; then
    echo "C:\\$program_files\\Korvane holds exactly the MSI's $(find "$install_dir" -type f | wc -l) files"
else
    fail "the installed folder differs from the MSI's files"
fi
# The program's shortcut and, beside it, the README's.
for shortcut_and_target in "$product_name=korvane.exe" "$product_name README=README.html"; do
    shortcut=$(find_shortcut "${shortcut_and_target%=*}")
    [[ -n $shortcut ]] && echo "shortcut: ${shortcut#"$WINEPREFIX/drive_c/"}" ||
        fail "no Start Menu shortcut ${shortcut_and_target%=*}"
    grep -a -q -i "${shortcut_and_target#*=}" "$shortcut" 2>/dev/null ||
        fail "the shortcut ${shortcut_and_target%=*} does not lead to ${shortcut_and_target#*=}"
done
version=$(msi_property "$msi" ProductVersion)
for expectation in "DisplayName=$product_name" "DisplayVersion=$version" "Publisher=Quillom"; do
    name=${expectation%%=*}
    value=$(registry_value "$uninstall_key" "$name")
    [[ $value == "${expectation#*=}" ]] || fail "installed programs: $name is '$value', not '${expectation#*=}'"
done
icon=$(registry_value "$product_key" ProductIcon)
icon_file=$WINEPREFIX/drive_c/$(echo "${icon#?:\\}" | tr '\\' /)
cmp -s "$icon_file" "$here/../../src/windows/korvane.ico" || fail "installed programs: no program icon ('$icon')"
echo "installed programs: $product_name $version by Quillom, icon $icon"

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
voice_beside "install" default

echo "--- on the installed Korvane, VOICE is refused and a reinstall records the pack beside the program"
for properties in "VOICE=phonetic" "REINSTALL=ALL VOICE=phonetic"; do
    # shellcheck disable=SC2086
    msiexec_run /i "$msi" $properties && fail "$properties on the installed Korvane succeeded"
    voice_beside "$properties refused" default
done
msiexec_run /i "$msi" REINSTALL=ALL || fail "REINSTALL=ALL failed"
voice_beside "REINSTALL=ALL" default

echo "--- uninstall: msiexec /x $(basename "$msi") /qn"
msiexec_run /x "$msi" || fail "msiexec /x exited with $?"
[[ -e $install_dir ]] && fail "left behind: $(find "$install_dir" | head -5 | tr '\n' ' ')"
[[ -n $(find_shortcut "$product_name")$(find_shortcut "$product_name README") ]] && fail "a shortcut is left behind"
[[ -z $(registry_value "$uninstall_key" DisplayName) ]] || fail "still listed in installed programs"
[[ -e $icon_file ]] && fail "the icon is left behind"

echo "--- an older korvane.exe in the folder is replaced; VOICE=phonetic picks the pack beside it"
# The program's File row is versioned: else a versioned korvane.exe on disk is never replaced.
[[ $(msiinfo export "$msi" File | awk -F'\t' '$1 == "korvane.exe" { print $5 }') == "$version".* ]] ||
    fail "the MSI records korvane.exe without its version"
mkdir -p "$install_dir"
python3 "$here/older_version.py" "$expected/korvane.exe" "$install_dir/korvane.exe" ||
    fail "could not make an older korvane.exe"
msiexec_run /i "$msi" VOICE=phonetic || fail "reinstalling $version failed"
cmp -s "$expected/korvane.exe" "$install_dir/korvane.exe" || fail "the older korvane.exe was not replaced"
voice_beside "install with VOICE=phonetic" phonetic
msiexec_run /i "$msi" REINSTALL=ALL || fail "REINSTALL=ALL failed"
voice_beside "REINSTALL=ALL after VOICE=phonetic" phonetic

echo "--- upgrade: version 9.9.9 installed over $version replaces it and keeps the voice pack"
later=$work/later.msi
later_code="{9E9E9E9E-0000-4000-8000-000000000001}"
make_later_version "$msi" "$later" "$later_code" "{9E9E9E9E-0000-4000-8000-000000000002}" ||
    fail "could not make version 9.9.9"
msiexec_run /i "$later" || fail "installing 9.9.9 over $version failed"
[[ -z $(registry_value "$uninstall_key" DisplayName) ]] || fail "$version is still installed beside 9.9.9"
[[ $(registry_value "${uninstall_key%\\*}\\$later_code" DisplayVersion) == 9.9.9 ]] || fail "9.9.9 is not installed"
voice_beside "upgrade" phonetic
msiexec_run /x "$later" || fail "uninstalling 9.9.9 failed"
[[ -e $install_dir ]] && fail "left behind after uninstalling 9.9.9"
[[ -z $(registry_value "$voice_key" Voice) ]] || fail "the voice choice is left in the registry"

echo "--- a recorded choice that names no pack of this version: installed with the default pack"
record_voice retired
msiexec_run /i "$msi" || fail "installing over a recorded choice 'retired' failed"
voice_beside "install over 'retired'" default
msiexec_run /x "$msi" || fail "uninstalling $version failed"

finish "$work" "MSI install, run and uninstall: all checks passed"
