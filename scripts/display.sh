# Sourced by the scripts that drive real windows (screenshots.sh, check-package.sh): a temporary
# folder, a private X display with a window manager, and a wait for a window.

# Sets `work` to a new temporary folder and `pids` to the processes to end on exit; both go at exit.
work=$(mktemp -d)
pids=()
end_session() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap end_session EXIT

# Starts Xvfb on a display number it picks itself (so it never meets another one) and openbox on
# it, so that windows get their frames; exports DISPLAY.
start_display() {
  exec 3<> "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  DISPLAY=:$(head -n1 "$work/display")
  export DISPLAY
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
}

# Prints "id pid" of the first window whose size is $1 (WxH) or whose title matches the pattern $1,
# waiting up to 30 seconds; returns 1 when none appears. wmctrl reads the UTF-8 titles that
# xdotool's search misses; a window closing while it lists is no error.
find_window() {
  for _ in $(seq 150); do
    local found
    found=$({ wmctrl -lpG 2>/dev/null || true; } | while read -r id _ pid _ _ w h _ title; do
      if [ "${w}x$h" = "$1" ] || [[ $title =~ $1 ]]; then echo "$id $pid"; break; fi
    done)
    if [ -n "$found" ]; then echo "$found"; return 0; fi
    sleep 0.2
  done
  echo "no window '$1' appeared; the windows are:" >&2
  wmctrl -lpG >&2
  return 1
}
