# Sourced by the scripts: a virtual X display for the dialog and message boxes.
# Wine fixes its display when the wineserver starts, so start this first.
ZEM_XVFB_PID=""
start_display() { # [WIDTHxHEIGHT]: a screen of that size, even when a display is open
  if [ -z "${1:-}" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local number
  for number in $(seq 90 120); do
    if [ ! -e "/tmp/.X${number}-lock" ]; then
      Xvfb ":$number" -screen 0 "${1:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
      ZEM_XVFB_PID=$!
      export DISPLAY=":$number"
      local waited
      for waited in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X${number}" ] && return 0
        sleep 0.1
      done
      return 0
    fi
  done
}
stop_display() {
  if [ -n "$ZEM_XVFB_PID" ]; then
    kill "$ZEM_XVFB_PID" 2>/dev/null || true
    wait "$ZEM_XVFB_PID" 2>/dev/null || true
  fi
}
