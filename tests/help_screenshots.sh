#!/usr/bin/env bash
# help_screenshots.sh ZELKO: takes the getting-started help page's pictures into a scratch folder
# with scripts/help-screenshots and checks that every picture the page shows was made, reads
# back as a picture and is committed under help/images (skipped without Xvfb and xdotool).
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
status=0
ZELKO="$1" "$src/scripts/help-screenshots" "$out" || status=$?
[ "$status" -eq 77 ] && exit 77
[ "$status" -eq 0 ] || { echo "help_screenshots: scripts/help-screenshots failed ($status)" >&2; exit 1; }
images="$(sed -n 's/.*<img src="images\/\([^"]*\)".*/\1/p' "$src/help/GettingStarted.htm")"
[ -n "$images" ] || { echo "help_screenshots: the page shows no pictures" >&2; exit 1; }
for img in $images; do
  [ -s "$out/$img" ] || { echo "help_screenshots: $img was not made" >&2; exit 1; }
  identify "$out/$img" >/dev/null || { echo "help_screenshots: $img is no picture" >&2; exit 1; }
  [ -s "$src/help/images/$img" ] || { echo "help_screenshots: help/images/$img is missing" >&2; exit 1; }
done
echo "help_screenshots: $(wc -w <<<"$images") pictures made"
