# Helpers of the MSI checks under Wine, sourced by them: their own Wine session, failures,
# paths, the registry, the Start Menu, and a later version of a package.
# shellcheck shell=bash

session_script=$(dirname "${BASH_SOURCE[0]}")/../session/wine-session.sh
wine_run=$(dirname "${BASH_SOURCE[0]}")/../session/wine-run.sh
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# start_session WORK_DIR EXE: a Wine session of the check's own, with a fresh prefix, in
# WORK_DIR/session, stopped when the check exits. Exits 77 (skipped), with wine-run.sh's
# reason, where the session cannot run EXE.
start_session() {
    session=$1/session
    trap '"$session_script" stop "$session"' EXIT
    "$session_script" start "$session" || exit 1
    export KORVANE_WINE_SESSION=$session
    "$wine_run" --can-run "$2" || exit $?
    # shellcheck disable=SC1091
    source "$session/env.sh"
    # No desktop menu entries for the shortcut (winemenubuilder writes them under HOME).
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
    export HOME=$session
}

# finish WORK_DIR MESSAGE: stops the session; exits 1 after any failure (WORK_DIR kept for
# a look), else says MESSAGE and removes WORK_DIR.
finish() {
    trap - EXIT
    "$session_script" stop "$session"
    if ((failures)); then
        echo "FAIL: $failures problem(s); logs in $1"
        exit 1
    fi
    echo "$2"
    rm -rf "$1"
}

windows_path() { echo "Z:${1//\//\\}"; }

# msiexec_run /i|/x MSI [PROPERTIES...]: msiexec, quiet, with a verbose log of its own in $work
# (the runs numbered in order).
msiexec_runs=0
msiexec_run() {
    local action=$1 package=$2
    shift 2
    msiexec_runs=$((msiexec_runs + 1))
    "$wine_run" msiexec "$action" "$(windows_path "$package")" "$@" /qn \
        /l*v "$(windows_path "$work/$msiexec_runs-$(basename "$package" .msi)-${action#/}.log")"
}

registry_value() { # registry_value KEY NAME: the value, from either registry view
    local view
    for view in 64 32; do
        "$wine_run" reg query "$1" /v "$2" /reg:$view 2>/dev/null |
            sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | tr -d '\r' | grep . && return
    done
}

# find_shortcut NAME: the shortcut NAME.lnk in all users' Start Menu, as Windows puts a
# per-machine shortcut, or in the installing user's own, where Wine puts it.
find_shortcut() {
    ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$1.lnk" \
        "$WINEPREFIX"/drive_c/users/*/"AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$1.lnk" \
        2>/dev/null | head -1
}

msi_property() { msiinfo export "$1" Property | sed -n "s/^$2\t//p" | tr -d '\r'; }

# program_files MSI: the Program Files folder, under drive_c, that the package installs into.
program_files() {
    case $(msiinfo suminfo "$1" | sed -n 's/^Template: //p') in
        x64*) echo "Program Files" ;;
        *) echo "Program Files (x86)" ;;
    esac
}

# expected_folder MSI DIR: unpacks MSI into DIR as msitools does and prints the folder that
# an install with the default voice pack must hold, exactly.
expected_folder() {
    local folder
    msiextract -C "$2" "$1" >/dev/null || return 1
    folder=$(find "$2" -type d -name Korvane | head -1)
    # Every pack's files beside the program have the same names; the default pack's are put.
    [[ ! -d $folder/default ]] || cp "$folder"/default/* "$folder"
    echo "$folder"
}

# make_later_version MSI LATER PRODUCT_CODE PACKAGE_CODE: a copy of MSI made version 9.9.9, a
# new product that replaces MSI's.
make_later_version() {
    local query upgrade_code
    cp "$1" "$2"
    upgrade_code=$(msi_property "$1" UpgradeCode)
    # The Upgrade table's version columns are part of its key: the row is replaced, not updated.
    for query in "UPDATE \`Property\` SET \`Value\`='9.9.9' WHERE \`Property\`='ProductVersion'" \
                 "UPDATE \`Property\` SET \`Value\`='$3' WHERE \`Property\`='ProductCode'" \
                 "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\`='WIX_UPGRADE_DETECTED'" \
                 "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
                  VALUES ('$upgrade_code', '9.9.9', 1, 'WIX_UPGRADE_DETECTED')"; do
        msibuild "$2" -q "$query" || { echo "msibuild could not make the later version ($query)"; return 1; }
    done
    msibuild "$2" -s "$(msi_property "$1" ProductName)" Quillom "$(msiinfo suminfo "$1" | sed -n 's/^Template: //p')" \
        "$4" ||
        { echo "msibuild could not give the later version a package code"; return 1; }
}
