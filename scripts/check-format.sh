#!/usr/bin/env bash
# Checks that every tracked C++ file under src, tests, tools, bench and fuzz is formatted as
# .clang-format says, and names those that are not.
#
#   scripts/check-format.sh          check; exits 1 if a file needs formatting
#   scripts/check-format.sh --fix    format those files in place
#
# The verdict is the same with Debian 12's clang-format 14 and Debian 13's clang-format 19:
# .clang-format sets every option whose default differs between the two, and the one option
# that 14 does not know (it refuses a .clang-format naming it) is given here, below, to 16 and
# later. Other versions are used too, with a warning.
# CMake templates (*.h.in) are left alone: their @NAME@ placeholders are not C++.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=false
case ${1:-} in
  --fix) fix=true ;;
  '') ;;
  *) echo "usage: scripts/check-format.sh [--fix]" >&2; exit 2 ;;
esac

command -v clang-format >/dev/null ||
  { echo "check-format: clang-format is missing; scripts/ensure-packages.sh installs it" >&2; exit 1; }
version=$(clang-format --version | sed -nE 's/.*version ([0-9]+)\..*/\1/p')
version=${version:-0}
[[ $version == 14 || $version == 19 ]] ||
  echo "check-format: warning: clang-format $version; the style is checked to give the same result with 14 and 19 only" >&2

# What clang-format 14 does and 16 and later do only when told (14 rejects the key): join an
# attribute with the declaration after it ("[[nodiscard]]" on a line of its own).
style='file'
if ((version >= 16)); then
  style="{BasedOnStyle: InheritParentConfig, BreakAfterAttributes: Never}"
fi

tracked=$(git ls-files -- src tests tools bench fuzz)
files=()
while IFS= read -r file; do
  [ -f "$file" ] && files+=("$file")
done < <(grep -E '\.(cpp|h)$' <<<"$tracked")
[ ${#files[@]} -gt 0 ] || { echo "check-format: no C++ files found" >&2; exit 1; }

# unformatted: the files that clang-format would change.
unformatted() {
  local report status=0
  report=$(clang-format --style="$style" --dry-run --Werror --ferror-limit=1 "${files[@]}" 2>&1) || status=$?
  sed -nE 's/^(.*):[0-9]+:[0-9]+: error: code should be clang-formatted.*/\1/p' <<<"$report" | uniq
  # Anything else, a style that does not parse for one, is not a verdict on the files.
  if [ "$status" -ne 0 ] && ! grep -q 'error: code should be clang-formatted' <<<"$report"; then
    echo "check-format: clang-format failed:" >&2
    echo "$report" >&2
    return 1
  fi
}

# collect: bad becomes the list of those files.
collect() {
  local list
  list=$(unformatted) || exit 1
  mapfile -t bad < <(sed '/^$/d' <<<"$list")
}

collect
if $fix; then
  # A second pass settles what the first one leaves half done (a trailing comment is aligned
  # with the next one only once the line before it has been joined).
  for pass in 1 2 3; do
    [ ${#bad[@]} -gt 0 ] || break
    [ "$pass" -gt 1 ] || echo "Formatting ${#bad[@]} files with clang-format $version"
    clang-format --style="$style" -i "${bad[@]}"
    collect
  done
fi

if [ ${#bad[@]} -gt 0 ]; then
  echo "${#bad[@]} of ${#files[@]} C++ files are not formatted as .clang-format says (clang-format $version):"
  printf '  %s\n' "${bad[@]}"
  echo "Fix them with: scripts/check-format.sh --fix"
  exit 1
fi
echo "All ${#files[@]} C++ files are formatted (clang-format $version)."
