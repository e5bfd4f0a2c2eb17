#!/usr/bin/env bash
# Runs a command with one of the sets of fonts a Debian machine may have, by hiding the folders of
# the others for the command alone: it enters a mount namespace of its own (root needed).
#
#   tests/session/with-fonts.sh SET COMMAND [ARGS...]
#
#   desktop          everything installed: Wine's own fonts (fonts-wine), DejaVu and its condensed
#                    faces, Liberation (fonts-liberation, which comes with a browser)
#   no-liberation    Wine's own fonts and DejaVu: a machine without a browser
#   no-wine-fonts    DejaVu without its condensed faces, and Liberation: Wine installed without
#                    its recommended packages on a desktop
#   dejavu-only      DejaVu without its condensed faces: Wine without its recommended packages
#                    on a machine without a browser
#   liberation-only  Liberation alone
set -euo pipefail

set_name=${1:?usage: with-fonts.sh SET COMMAND [ARGS...]}
shift
[ $# -gt 0 ] || { echo "usage: with-fonts.sh SET COMMAND [ARGS...]" >&2; exit 2; }

if [ -z "${KORVANE_FONTS_NAMESPACE:-}" ]; then
  KORVANE_FONTS_NAMESPACE=1 exec unshare --mount --propagation private -- bash "$0" "$set_name" "$@"
fi

readonly wine_fonts=/usr/share/wine/fonts
readonly dejavu=/usr/share/fonts/truetype/dejavu
readonly liberation=(/usr/share/fonts/truetype/liberation /usr/share/fonts/truetype/liberation2)

hide() { [ ! -d "$1" ] || mount -t tmpfs hidden-fonts "$1"; }
hide_condensed() {
  [ -d "$dejavu" ] || return 0
  local kept
  kept=$(mktemp -d)
  cp -a "$dejavu/." "$kept/"
  rm -f "$kept"/*Condensed*
  mount --bind "$kept" "$dejavu"
}
hide_liberation() { for folder in "${liberation[@]}"; do hide "$folder"; done; }

case $set_name in
  desktop) ;;
  no-liberation) hide_liberation ;;
  no-wine-fonts) hide "$wine_fonts"; hide_condensed ;;
  dejavu-only) hide "$wine_fonts"; hide_condensed; hide_liberation ;;
  liberation-only) hide "$wine_fonts"; hide "$dejavu" ;;
  *) echo "with-fonts: unknown set of fonts '$set_name'" >&2; exit 2 ;;
esac
echo "Fonts ($set_name): $(fc-list : family | sort -u | paste -sd ';')"
exec "$@"
