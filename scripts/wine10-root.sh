#!/usr/bin/env bash
# Makes (or checks) the Debian 13 root in which the Windows tests run under Wine 10.0.
#
#   scripts/wine10-root.sh
#
# The root lives in $KORVANE_WINE10_ROOT (default: build/wine10/root). It is made with
# debootstrap from the Debian mirror the machine's apt uses (deb.debian.org when the machine's
# sources name none, e.g. on Ubuntu), then given only what the tests run. A finished root holds
# a stamp with its package list; a root without it, or with another list, is made anew.
# Needs root (apt-get and debootstrap through sudo -n otherwise).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
root=${KORVANE_WINE10_ROOT:-$repo/build/wine10/root}
readonly SUITE=trixie
readonly STAMP=.korvane-wine10-root
readonly KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg
# 64-bit Wine only; what wine-session.sh, wine-run.sh, ctest, the end-to-end scripts and the
# MSI install check call.
readonly PACKAGES="wine wine64 fonts-wine xvfb xauth x11-utils pulseaudio pulseaudio-utils
python3 cmake sox imagemagick procps msitools"

say() { echo "wine10-root: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -n env KORVANE_WINE10_ROOT="$root" "$0" "$@"
fi

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

wanted=$(echo $PACKAGES | tr ' ' '\n' | sort)
if [ -f "$root/$STAMP" ] && [ "$(cat "$root/$STAMP")" = "$wanted" ]; then
  exit 0
fi

# A root that is about to be removed must not be in use: no mount inside it, in any process's
# namespace.
for dir in "$root" "$root.new"; do
  if cat /proc/[0-9]*/mounts 2>/dev/null | grep -q " $dir/"; then
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

say "making a Debian 13 root in $root from $mirror (a few minutes)"
t0=$SECONDS
rm -rf -- "$root.new" "$root"
mkdir -p "$(dirname "$root")"
debootstrap --variant=minbase --keyring="$KEYRING" "$SUITE" "$root.new" "$mirror" \
  >"$(dirname "$root")/debootstrap.log" 2>&1 ||
  { say "debootstrap failed; see $(dirname "$root")/debootstrap.log"; exit 1; }

# Services must not start inside the root while packages install.
printf '#!/bin/sh\nexit 101\n' >"$root.new/usr/sbin/policy-rc.d"
chmod 755 "$root.new/usr/sbin/policy-rc.d"
[ -n "$proxy" ] && echo "Acquire::http::Proxy \"$proxy\";" >"$root.new/etc/apt/apt.conf.d/01proxy"
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
' wine10-root "$root.new" $PACKAGES >>"$(dirname "$root")/debootstrap.log" 2>&1 ||
  { say "installing into the root failed; see $(dirname "$root")/debootstrap.log"; exit 1; }
rm -rf "$root.new"/var/lib/apt/lists/* "$root.new"/usr/share/doc/* "$root.new"/usr/share/man/*

echo "$wanted" >"$root.new/$STAMP"
mv "$root.new" "$root"
say "root ready in $((SECONDS - t0)) s, $(du -sh "$root" | cut -f1)"
