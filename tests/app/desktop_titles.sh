#!/usr/bin/env bash
# The titles the window manager reads (what a task bar shows) are the window's own captions,
# with nothing appended: the main window on a project, and a message box.
# Usage: desktop_titles.sh ZELKO SAMPLE_PROJECT
set -uo pipefail
zelko=$1
sample=$2
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "xvfb-run or xdotool is not installed"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZELKO_INI=$work/zelko.ini

# Waits up to 60 s for a visible window whose title is exactly $1; prints the title found.
cat >"$work/check" <<'INNER'
#!/usr/bin/env bash
expected=$1
shift
"$@" >/dev/null 2>&1 &
pid=$!
found=""
for _ in $(seq 1 240); do
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    name=$(xdotool getwindowname "$w" 2>/dev/null)
    case "$name" in Zelko*|エラー*|警告*) found=$name ;; esac
    [ "$name" = "$expected" ] && break 2
  done
  sleep 0.25
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if [ "$found" != "$expected" ]; then
  echo "expected the title '$expected', the window manager read '$found'"
  exit 1
fi
echo "title '$found'"
INNER
chmod +x "$work/check"

# A display that xvfb-run -a hands out while the last one is still going away can refuse the
# program its connection (Qt then aborts); such a start is tried once more on a new server, and
# the program's own words are shown when it fails again.
run() {
  local expected=$1
  shift
  xvfb-run -a -e "$work/xvfb.log" "$work/check" "$expected" "$@" && return 0
  sleep 1
  xvfb-run -a -e "$work/xvfb.log" "$work/check" "$expected" "$@" && return 0
  timeout 10 xvfb-run -a "$@" 2>&1 | head -20
  return 1
}
status=0
run "Zelko - $(basename "$sample")/sample.jpg" "$zelko" "$sample" || status=1
# A project that does not exist: its open fails with an error box.
run "エラー" "$zelko" "$work/missing.pqs" || status=1
exit $status
