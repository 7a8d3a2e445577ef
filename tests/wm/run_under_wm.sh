#!/usr/bin/env bash
# Runs a window test program on a virtual display of its own with a real window manager:
# Xvfb on a free display number, openbox on it, then the program with QT_QPA_PLATFORM=xcb.
# Window frames exist only there, so this is where the windows' outer placement shows.
# Exits 77 (skipped, with the reason) when the display or the window manager cannot be
# started; otherwise with the program's own exit code.
#   run_under_wm.sh [--margins TOP,BOTTOM,LEFT,RIGHT] PROGRAM [ARGS...]
# --margins: space the window manager keeps free along the screen's edges, which the work
# area (_NET_WORKAREA) leaves out, as a panel would.
set -u

skip() {
  echo "SKIPPED: $*"
  exit 77
}

margins="0,0,0,0"
if [ "${1:-}" = "--margins" ]; then
  margins=${2:-}
  shift 2 || true
fi
IFS=, read -r m_top m_bottom m_left m_right <<<"$margins"
for m in "$m_top" "$m_bottom" "$m_left" "$m_right"; do
  [[ "$m" =~ ^[0-9]+$ ]] || { echo "$0: --margins takes four numbers: TOP,BOTTOM,LEFT,RIGHT" >&2; exit 2; }
done
[ $# -ge 1 ] || { echo "usage: $0 [--margins TOP,BOTTOM,LEFT,RIGHT] PROGRAM [ARGS...]" >&2; exit 2; }
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (Debian package xvfb)"
command -v openbox >/dev/null 2>&1 || skip "openbox is not installed (Debian package openbox)"
command -v xprop >/dev/null 2>&1 || skip "xprop is not installed (Debian package x11-utils)"

work=$(mktemp -d "${TMPDIR:-/tmp}/vq-wm.XXXXXX") || skip "no temporary folder"
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody holds: a few random ones from a range the desktop and ./run
# leave alone; Xvfb refuses a number that is taken, and then the next one is tried.
display=""
for attempt in 1 2 3 4 5 6 7 8; do
  n=$((300 + RANDOM % 600))
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1600x900x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 50); do
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
    if DISPLAY=":$n" xprop -root >/dev/null 2>&1; then display=":$n"; break; fi
    sleep 0.1
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
if [ -z "$display" ]; then
  tail -n 5 "$work/xvfb.log" 2>/dev/null
  skip "Xvfb could not be started on a free display"
fi

# A configuration of its own, so that a user's openbox settings never change the result;
# everything it leaves out keeps openbox's defaults.
cat >"$work/rc.xml" <<RC
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>$m_top</top><bottom>$m_bottom</bottom><left>$m_left</left><right>$m_right</right></margins>
</openbox_config>
RC
DISPLAY="$display" openbox --sm-disable --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is up once it has claimed the screen (_NET_SUPPORTING_WM_CHECK on
# the root window names its check window).
wm_up=""
for _ in $(seq 1 100); do
  if ! kill -0 "$wm_pid" 2>/dev/null; then break; fi
  if DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    wm_up=1
    break
  fi
  sleep 0.1
done
if [ -z "$wm_up" ]; then
  tail -n 5 "$work/openbox.log" 2>/dev/null
  skip "openbox could not be started on $display"
fi

echo "Running on $display with openbox"
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
