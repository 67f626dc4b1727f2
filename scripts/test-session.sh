# Sourced by the test runners (scripts/test.sh, scripts/wine10/test.sh): the
# session a platform's ctest run shares, on the Wine of scripts/wine-env.sh.
source "$(dirname "${BASH_SOURCE[0]}")/display.sh"

# A display, a warm wineserver and a program that holds Wine's desktop; all
# end when the calling script ends, however it ends.
start_test_session() {
  start_display
  trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT
  # A warm wineserver keeps the first test from waiting on Wine's start-up services.
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine wineboot </dev/null >/dev/null 2>&1 || true
  # Wine's desktop process ends a second after the last program on it; the
  # program that starts it again passes it its output, and under ctest that
  # test then waits on the pipe until the desktop ends (tens of seconds on a
  # busy run). One program holds the desktop for the whole run instead.
  local holder_log="$ZEM_RUN_DIR/desktop-holder.txt" holder
  wine "$ZEM_BUILD_DIR/bin/desktop_holder.exe" 3600 </dev/null >"$holder_log" 2>&1 &
  holder=$!
  for _ in $(seq 1 300); do
    grep -q "desktop ready" "$holder_log" && break
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q "desktop ready" "$holder_log"; then
    echo "the desktop did not start under Wine $ZEM_WINE_MAJOR: $(cat "$holder_log")" >&2
    return 1
  fi
}
