#!/usr/bin/env bash
# Makes (or checks) a Debian root of a named release with the given packages installed.
#
#   scripts/debian-root.sh --release bookworm|trixie --root DIR [--fresh] [PACKAGE...]
#
#   --release NAME  the Debian release: bookworm (Debian 12) or trixie (Debian 13)
#   --root DIR      where the root lives
#   --fresh         make it anew even when a finished root with the same packages is there
#
# The root is made with debootstrap (minbase) from the Debian mirror the machine's apt uses
# (deb.debian.org when the machine's sources name none, e.g. on Ubuntu). A finished root holds a
# stamp with its release and package list; a root without it, or with another, is made anew.
# It is built in DIR.new and renamed when finished, so a half-made root is never taken for one.
# Needs root (through sudo -n otherwise).
set -euo pipefail

readonly STAMP=.korvane-root
readonly KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg

say() { echo "debian-root: $*" >&2; }
usage() {
  cat >&2 <<'EOF'
usage: scripts/debian-root.sh --release bookworm|trixie --root DIR [--fresh] [PACKAGE...]
EOF
  exit 2
}

release="" root="" fresh=false
args=("$@")
while [ $# -gt 0 ]; do
  case $1 in
    --release) release=${2:?}; shift 2 ;;
    --root) root=${2:?}; shift 2 ;;
    --fresh) fresh=true; shift ;;
    -*) usage ;;
    *) break ;;
  esac
done
packages=("$@")
case $release in
  bookworm) number=12 ;;
  trixie) number=13 ;;
  *) usage ;;
esac
[ -n "$root" ] || usage

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -n "$0" "${args[@]}"
fi
mkdir -p "$(dirname "$root")"
root=$(cd "$(dirname "$root")" && pwd)/$(basename "$root")
log=$root.log

# The first Debian archive in the machine's apt sources (one-line or deb822 form).
debian_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -E 's/\[[^]]*\]//' | awk '$1 == "deb" { print $2 }' | grep -m1 -E '/debian/?$' || true)
  if [ -z "$uri" ]; then
    uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
      awk 'tolower($1) == "uris:" { for (i = 2; i <= NF; i++) if ($i ~ /\/debian\/?$/) { print $i; exit } }' || true)
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

wanted=$(printf '%s\n' "$release" "$(printf '%s\n' "${packages[@]}" | sort)")
if ! $fresh && [ -f "$root/$STAMP" ] && [ "$(cat "$root/$STAMP")" = "$wanted" ]; then
  exit 0
fi

# A root that is about to be removed must not be in use: no mount inside it, in any process's
# namespace.
for dir in "$root" "$root.new"; do
  if cat /proc/[0-9]*/mounts 2>/dev/null | grep -q " $dir[/ ]"; then
    say "$dir is in use (something is mounted inside it); not touching it"
    exit 1
  fi
done

command -v debootstrap >/dev/null && [ -f "$KEYRING" ] || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    debootstrap debian-archive-keyring >/dev/null
}

mirror=$(debian_mirror)
# A proxy that the machine's apt is told to use serves debootstrap and the root's apt too.
proxy=$(apt-config dump Acquire::http::Proxy 2>/dev/null | sed -n 's/^Acquire::http::Proxy "\(.*\)";$/\1/p')
[ -n "$proxy" ] && export http_proxy=$proxy

say "making a Debian $number ($release) root in $root from $mirror (a few minutes); log: $log"
t0=$SECONDS
rm -rf -- "$root.new" "$root"
debootstrap --variant=minbase --keyring="$KEYRING" "$release" "$root.new" "$mirror" >"$log" 2>&1 ||
  { say "debootstrap failed; see $log"; exit 1; }

# Services must not start inside the root while packages install.
printf '#!/bin/sh\nexit 101\n' >"$root.new/usr/sbin/policy-rc.d"
chmod 755 "$root.new/usr/sbin/policy-rc.d"
[ -n "$proxy" ] && echo "Acquire::http::Proxy \"$proxy\";" >"$root.new/etc/apt/apt.conf.d/01proxy"
# The machine's name servers, so that apt inside reaches the mirror.
cp -L /etc/resolv.conf "$root.new/etc/resolv.conf" 2>/dev/null || true
if [ ${#packages[@]} -gt 0 ]; then
  # A private mount namespace: the mounts go away with the installing process, however it ends.
  unshare --mount --propagation private -- bash -euo pipefail -c '
    r=$1; shift
    mount -t proc proc "$r/proc"
    mount --bind /dev "$r/dev"
    mount -t tmpfs tmpfs "$r/tmp"
    export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin
    chroot "$r" apt-get update -qq
    chroot "$r" apt-get install -y -qq --no-install-recommends "$@"
    chroot "$r" apt-get clean
  ' debian-root "$root.new" "${packages[@]}" >>"$log" 2>&1 ||
    { say "installing into the root failed; see $log"; exit 1; }
fi
rm -rf "$root.new"/usr/share/doc/* "$root.new"/usr/share/man/*

echo "$wanted" >"$root.new/$STAMP"
mv "$root.new" "$root"
say "root ready in $((SECONDS - t0)) s, $(du -sh "$root" | cut -f1)"
