#!/usr/bin/env bash
# The README's first look: `zelko --calculate` on the field sample, under a window manager with
# frames in the Japanese locale, shows the closed fields filled in the positive area's colour
# once the window has settled (a repaint after the calculation would wipe them).
# Usage: measured_start.sh ZELKO FIELD.PQS
set -uo pipefail
zelko=$1
project=$2
for tool in xvfb-run xdotool openbox xwd convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZELKO_INI=$work/zelko.ini
cp "$project" "${project%.pqs}.jpg" "$work/"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

cat >"$work/look" <<'INNER'
#!/usr/bin/env bash
zelko=$1
project=$2
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
"$zelko" --calculate "$project" >"$ZELKO_INI.out" 2>&1 &
pid=$!
window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelko - ' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.25
done
status=0
if [ -z "$window" ]; then
  echo "no window"; cat "$ZELKO_INI.out"
  status=1
else
  # The share of the window's pixels that are the fills' pure red; the fields fill five of some
  # 45,000 pixels each at the fitted zoom in a window of about 800,000. They must be there and
  # stay there (a repaint after the calculation would wipe them): two grabs a second apart, once
  # the placement and the calculation have had their time, which a loaded machine stretches.
  sleep 2
  filled=0
  for _ in $(seq 1 15); do
    red=$(xwd -id "$window" -silent | convert xwd:- -fill black +opaque '#FF0000' -fill white \
          -opaque '#FF0000' -colorspace Gray -format '%[fx:mean]' info:)
    if awk -v r="$red" 'BEGIN { exit !(r > 0.05) }'; then
      filled=$((filled + 1))
      [ "$filled" -ge 2 ] && break
    else
      filled=0
    fi
    sleep 1
  done
  echo "red share: $red"
  [ "$filled" -ge 2 ] || { echo "the fields are not filled"; status=1; }
  # The file is unchanged: calculating is no edit, and nothing asks to save at the end.
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
kill "$wm" 2>/dev/null
exit $status
INNER
chmod +x "$work/look"
cmp -s "$project" "$work/$(basename "$project")" || { echo "the copy differs"; exit 1; }
xvfb-run -a -s "-screen 0 1400x900x24" "$work/look" "$zelko" "$work/$(basename "$project")"
status=$?
cmp -s "$project" "$work/$(basename "$project")" || { echo "the project was changed"; exit 1; }
exit $status
