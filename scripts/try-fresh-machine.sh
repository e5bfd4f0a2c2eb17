#!/usr/bin/env bash
# Tries the README's two commands as a newcomer would, on a fresh machine of a named Debian
# release: makes a new minimal root of that release with only git in it, clones this
# repository's committed HEAD into /root/korvane there, and runs ./run, then ./test, inside it
# as root with the machine's network. Prints each command's verdict and minutes; the whole
# output goes to the log named at the start.
#
#   scripts/try-fresh-machine.sh --release bookworm|trixie [--desktop] [--root DIR] [--only run|test]
#
#   --release NAME  bookworm (Debian 12) or trixie (Debian 13)
#   --desktop       a desktop's machine rather than a bare one: the fonts a browser brings
#                   (fonts-liberation) are installed before the commands run, so the window is
#                   tried in the faces most Linux users' Wine draws with
#   --root DIR      where the fresh machine's root is made (default: build/fresh-machine/NAME);
#                   it is made anew every time and left for a look afterwards
#   --only CMD      run only ./run or only ./test
#
# The root is entered in private mount and process namespaces (scripts/root-run.sh), so every
# mount is undone and every process ends however the try ends. Needs root or sudo, and about
# 8 GB of disk. Uncommitted changes are not tried: a newcomer clones what is committed.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  cat >&2 <<'EOF'
usage: scripts/try-fresh-machine.sh --release bookworm|trixie [--desktop] [--root DIR] [--only run|test]
EOF
  exit 2
}

release="" root="" commands=(run test) extra=()
while [ $# -gt 0 ]; do
  case $1 in
    --release) release=${2:?}; shift 2 ;;
    --root) root=${2:?}; shift 2 ;;
    --desktop) extra=(fonts-liberation); shift ;;
    --only) commands=("${2:?}"); shift 2 ;;
    *) usage ;;
  esac
done
case $release in bookworm | trixie) ;; *) usage ;; esac
case ${commands[*]} in run | test | "run test") ;; *) usage ;; esac
root=${root:-$repo/build/fresh-machine/$release}
log=$root-try.log
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO="sudo -n"

[ -z "$(git -C "$repo" status --porcelain --untracked-files=no)" ] ||
  echo "try-fresh-machine: note: uncommitted changes are not tried; HEAD $(git -C "$repo" rev-parse --short HEAD) is" >&2

mkdir -p "$(dirname "$root")"
echo "try-fresh-machine: $release, root $root; log: $log"
{
  t0=$SECONDS
  bash "$repo/scripts/debian-root.sh" --release "$release" --root "$root" --fresh git ca-certificates "${extra[@]}"
  $SUDO git clone --quiet "$repo" "$root/root/korvane"
  echo "fresh $release machine${extra[*]:+ with ${extra[*]}} ready in $((SECONDS - t0)) s, with korvane at $(git -C "$repo" rev-parse --short HEAD)"
} 2>&1 | tee "$log"

results=()
status=0
for command in "${commands[@]}"; do
  start=$SECONDS
  verdict=passed
  echo "=== ./$command on the fresh $release machine ===" | tee -a "$log"
  "$repo/scripts/root-run.sh" --root "$root" --network -- \
    bash -c 'cd /root/korvane && exec "./$0"' "$command" </dev/null 2>&1 | tee -a "$log" ||
    { verdict=FAILED; status=1; }
  tenths=$(((SECONDS - start) / 6))
  results+=("$(printf './%-5s %-7s %3d.%d min' "$command" "$verdict" $((tenths / 10)) $((tenths % 10)))")
done
printf 'try-fresh-machine (%s):\n' "$release" | tee -a "$log"
printf '  %s\n' "${results[@]}" | tee -a "$log"
exit $status
