#!/usr/bin/env bash
# Runs a command inside a root made by scripts/debian-root.sh, as on a machine of its own.
#
#   scripts/root-run.sh --root DIR [--bind DIR]... [--scratch DIR]... [--network] [--] COMMAND [ARGS...]
#
#   --root DIR     the root
#   --bind DIR     DIR appears inside at the same path, writable
#   --scratch DIR  DIR appears inside at the same path, but what is written there is thrown
#                  away at the end (an overlay): a build tree's tests run without touching
#                  the host's logs or its Wine session
#   --network      keep the machine's network (default: none inside, so that X displays and
#                  sound servers inside never meet the host's)
#
# The command runs as root in the caller's directory, with the caller's KORVANE_*, CTEST_* and
# GTEST_* variables. The root is bind-mounted on itself, so that / is a mount point inside as on
# a real machine. Everything happens in private mount and process namespaces: when the command
# ends, or this script is interrupted or killed, every process started inside dies and every
# mount is gone. Needs root, or sudo without a password.
set -euo pipefail

readonly STAMP=.korvane-root

usage() {
  cat >&2 <<'EOF'
usage: scripts/root-run.sh --root DIR [--bind DIR]... [--scratch DIR]... [--network] [--] COMMAND [ARGS...]
EOF
  exit 2
}

root=""
binds=()
scratches=()
network=false
args=("$@")
while [ $# -gt 0 ]; do
  case $1 in
    --root) root=${2:?}; shift 2 ;;
    --bind) binds+=("$(cd "${2:?}" && pwd)"); shift 2 ;;
    --scratch) scratches+=("$(cd "${2:?}" && pwd)"); shift 2 ;;
    --network) network=true; shift ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] && [ -n "$root" ] || usage
root=$(cd "$root" 2>/dev/null && pwd) || { echo "root-run: no root at $root" >&2; exit 1; }
[ -f "$root/$STAMP" ] ||
  { echo "root-run: $root is not a finished root; make it with scripts/debian-root.sh" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  mapfile -t pass < <(env | grep -E '^(KORVANE|CTEST|GTEST)_[A-Za-z0-9_]*=' || true)
  exec sudo -n env "${pass[@]}" "$0" "${args[@]}"
fi

# What the command sees of the environment.
environment=(PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8
  TERM="${TERM:-dumb}")
mapfile -t -O ${#environment[@]} environment < <(env | grep -E '^(KORVANE|CTEST|GTEST)_[A-Za-z0-9_]*=' || true)

scratch=$(mktemp -d "$(dirname "$root")/scratch.XXXXXX")
workdir=$PWD

# Process 1 of the new namespaces: mounts the machine's file systems and the folders asked for
# inside the root, then runs the command there.
mount_and_enter() {
  mount --bind "$root" "$root"
  mount -t proc proc "$root/proc"
  mount --bind /sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
  local dir n=0
  for dir in "${binds[@]}"; do
    mkdir -p "$root$dir"
    mount --bind "$dir" "$root$dir"
  done
  for dir in "${scratches[@]}"; do
    n=$((n + 1))
    mkdir -p "$scratch/$n/upper" "$scratch/$n/work" "$root$dir"
    mount -t overlay overlay \
      -o "lowerdir=$dir,upperdir=$scratch/$n/upper,workdir=$scratch/$n/work" "$root$dir"
  done
  # Not exec: this shell stays process 1, reaping orphans until the command ends.
  local status=0
  chroot "$root" /bin/bash -c 'cd -- "$1" 2>/dev/null || cd /; shift; exec "$@"' \
    root-run "$workdir" "$@" || status=$?
  return "$status"
}

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

namespaces=(--mount --pid)
$network || namespaces+=(--net)
state=$(declare -p root scratch workdir binds scratches; declare -f mount_and_enter)
status=0
unshare "${namespaces[@]}" --fork --kill-child --propagation private -- \
  env -i "${environment[@]}" bash -euo pipefail -c "$state"'; mount_and_enter "$@"' root-run "$@" <&0 &
inner=$!
wait "$inner" || status=$?
exit "$status"
