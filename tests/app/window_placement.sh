#!/usr/bin/env bash
# Under a window manager that draws frames, the window comes back where it was left: ten starts
# and quits leave its frame in the same place and of the same size, title bar on the screen.
# Usage: window_placement.sh ZELKO
set -uo pipefail
zelko=$1
for tool in xvfb-run xdotool openbox; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZELKO_INI=$work/zelko.ini
# A placement the window manager would not choose by itself.
printf '[Form]\r\nLeft=120\r\nTop=90\r\nWidht=1100\r\nHeight=900\r\n' >"$ZELKO_INI"

cat >"$work/starts" <<'INNER'
#!/usr/bin/env bash
zelko=$1
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
# The frame's outer rectangle as the ini keeps it after each quit.
placement() {
  grep -E '^(Left|Top|Widht|Height)=' "$ZELKO_INI" | tr -d '\r' | sort | tr '\n' ' '
}
# Where the window was put before the first start.
# Starts the program, waits for its window, and quits it by the File menu's 終了; false with a
# reason when the window does not come or the program does not end.
start_and_quit() {
  "$zelko" >/dev/null 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 1 120); do
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelko$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.25
  done
  if [ -z "$window" ]; then
    echo "no window"
    kill "$pid" 2>/dev/null
    return 1
  fi
  # Time for the frame to be drawn and the placement to settle.
  sleep 1.5
  # Where the window system has the window's inside: just within the frame stored.
  client=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null | grep -E '^[XY]=' | tr '\n' ' ')
  xdotool windowactivate --sync "$window" >/dev/null 2>&1
  xdotool key --clearmodifiers alt+f
  sleep 0.5
  xdotool key q
  for _ in $(seq 1 80); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.25
  done
  echo "the program did not quit"
  kill "$pid"
  return 1
}

# Where the window was put before the first start.
first=$(placement)
status=0
for i in $(seq 1 10); do
  start_and_quit || { status=1; break; }
  now=$(placement)
  echo "start $i: $now(inside at $client)"
  eval "$client"
  if [ "$X" -lt 120 ] || [ "$X" -gt 130 ] || [ "$Y" -le 90 ] || [ "$Y" -gt 150 ]; then
    echo "the window's inside is not within the frame at Left=120 Top=90"
    status=1
    break
  fi
  if [ "$now" != "$first" ]; then
    echo "the window moved: '$first' became '$now'"
    status=1
    break
  fi
done

# A title bar stored above the screen comes back onto it.
printf '[Form]\r\nLeft=120\r\nTop=-40\r\nWidht=1100\r\nHeight=900\r\n' >"$ZELKO_INI"
start_and_quit || status=1
top=$(grep -E '^Top=' "$ZELKO_INI" | tr -d '\r' | cut -d= -f2)
echo "stored above the screen: $(placement)"
if [ -z "$top" ] || [ "$top" -lt 0 ]; then
  echo "the title bar is still above the screen (Top=$top)"
  status=1
fi
kill "$wm" 2>/dev/null
exit $status
INNER
chmod +x "$work/starts"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/starts" "$zelko"
