#!/usr/bin/env bash
# Runs a command as on a machine where Wine came without its recommended fonts: Wine's own
# fonts (fonts-wine) and DejaVu's condensed faces (fonts-dejavu-extra) are hidden, so that none
# of the faces Korvane may take instead of the ones it asks for is there. Mounts over the fonts'
# folders: run it in a mount namespace of its own (as scripts/root-run.sh gives).
set -euo pipefail
[ ! -d /usr/share/wine/fonts ] || mount -t tmpfs hidden-wine-fonts /usr/share/wine/fonts
dejavu=/usr/share/fonts/truetype/dejavu
if [ -d "$dejavu" ]; then
  kept=$(mktemp -d)
  cp -a "$dejavu/." "$kept/"
  rm -f "$kept"/*Condensed*
  mount --bind "$kept" "$dejavu"
fi
echo "Fonts left: $(fc-list : family | sort -u | paste -sd ';')"
exec "$@"
