#!/usr/bin/env bash
# Runs a command inside the Debian 13 root of scripts/wine10-root.sh, where Wine is 10.0.
#
#   scripts/wine10-run.sh [--root DIR] [--bind DIR]... [--scratch DIR]... [--] COMMAND [ARGS...]
#
#   --root DIR     the root (default: $KORVANE_WINE10_ROOT, else build/wine10/root)
#   --bind DIR     DIR appears inside at the same path, writable
#   --scratch DIR  DIR appears inside at the same path, but what is written there is thrown
#                  away at the end (an overlay): a build tree's tests run without touching
#                  the host's logs or its Wine session
#
# The command runs as root in the caller's directory, with the caller's KORVANE_*, CTEST_* and
# GTEST_* variables. Everything happens in private mount, process and network namespaces: when
# the command ends, or this script is interrupted or killed, every process started inside dies
# and every mount is gone; X displays and sound servers inside never meet the host's (nor is
# there a network inside). Needs root, or sudo without a password.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
readonly STAMP=.korvane-wine10-root

usage() {
  sed -n '4,10p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# Inside the new namespaces (process 1 there): mount, enter, run.
if [ "${1:-}" = --inside ]; then
  shift
  root=$1 scratch=$2 nbinds=$3 nscratch=$4
  shift 4
  binds=("${@:1:nbinds}")
  shift "$nbinds"
  scratches=("${@:1:nscratch}")
  shift "$nscratch"
  workdir=$1
  shift
  mount -t proc proc "$root/proc"
  mount --bind /sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
  for dir in "${binds[@]}"; do
    mkdir -p "$root$dir"
    mount --bind "$dir" "$root$dir"
  done
  n=0
  for dir in "${scratches[@]}"; do
    n=$((n + 1))
    mkdir -p "$scratch/$n/upper" "$scratch/$n/work" "$root$dir"
    mount -t overlay overlay \
      -o "lowerdir=$dir,upperdir=$scratch/$n/upper,workdir=$scratch/$n/work" "$root$dir"
  done
  # Not exec: this shell stays process 1, reaping orphans until the command ends.
  status=0
  chroot "$root" /bin/bash -c 'cd -- "$1" 2>/dev/null || cd /; shift; exec "$@"' \
    wine10-run "$workdir" "$@" || status=$?
  exit "$status"
fi

root=${KORVANE_WINE10_ROOT:-$repo/build/wine10/root}
binds=()
scratches=()
while [ $# -gt 0 ]; do
  case $1 in
    --root) root=${2:?}; shift 2 ;;
    --bind) binds+=("$(cd "${2:?}" && pwd)"); shift 2 ;;
    --scratch) scratches+=("$(cd "${2:?}" && pwd)"); shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || usage
root=$(cd "$root" 2>/dev/null && pwd) || { echo "wine10-run: no root at $root" >&2; exit 1; }
[ -f "$root/$STAMP" ] ||
  { echo "wine10-run: $root is not a finished root; make it with scripts/wine10-root.sh" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  mapfile -t pass < <(env | grep -E '^(KORVANE|CTEST|GTEST)_[A-Za-z0-9_]*=' || true)
  args=(--root "$root")
  for dir in "${binds[@]}"; do args+=(--bind "$dir"); done
  for dir in "${scratches[@]}"; do args+=(--scratch "$dir"); done
  exec sudo -n env "${pass[@]}" "$0" "${args[@]}" -- "$@"
fi

# What the command sees of the environment.
environment=(PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8
  TERM="${TERM:-dumb}")
mapfile -t -O ${#environment[@]} environment < <(env | grep -E '^(KORVANE|CTEST|GTEST)_[A-Za-z0-9_]*=' || true)

scratch=$(mktemp -d "$(dirname "$root")/scratch.XXXXXX")
inner=

# Whatever started inside, kill it: the namespace's process 1, which takes every other process
# in its namespace along, then anything of that namespace still running in this root. Others
# may use the same root at the same time; their processes are left alone.
cleanup() {
  trap - EXIT INT TERM HUP
  set +e
  local ns p
  if [ -n "$inner" ]; then
    ns=$(readlink "/proc/$inner/ns/pid_for_children" 2>/dev/null || true)
    kill -KILL "$inner" 2>/dev/null
    wait "$inner" 2>/dev/null
    for p in /proc/[0-9]*; do
      [ -n "$ns" ] && [ "$(readlink "$p/ns/pid" 2>/dev/null)" = "$ns" ] &&
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -KILL "${p#/proc/}" 2>/dev/null
    done
  fi
  rm -rf -- "$scratch"
  return 0
}
trap cleanup EXIT
trap 'cleanup; exit 130' INT
trap 'cleanup; exit 143' TERM HUP

status=0
unshare --mount --pid --net --fork --kill-child --propagation private -- \
  env -i "${environment[@]}" bash "$0" --inside "$root" "$scratch" \
  ${#binds[@]} ${#scratches[@]} "${binds[@]}" "${scratches[@]}" "$PWD" "$@" <&0 &
inner=$!
wait "$inner" || status=$?
exit "$status"
