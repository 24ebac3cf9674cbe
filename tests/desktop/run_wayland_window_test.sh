#!/usr/bin/env bash
# The window tests that need a Wayland compositor with a pointer (vortik_wayland_tests): a
# message box opens over the window and is answered, and a press on the title band hands the
# move to the compositor: run_wayland_window_test.sh BUILD_DIR.
# The compositor is weston on a virtual X display (its X back end gives it a seat; the headless
# back end has none), with the kiosk shell and a screen the window's size, so the window fills
# it and a point of the window is the same point of the display. The pointer is xdotool's,
# pressing where the tests ask in a file, again each second until they have seen the press.
# Exits 77 (skipped) only when a program is not installed (scripts/install-deps installs them).
set -euo pipefail
build=$(cd "${1:?usage: run_wayland_window_test.sh BUILD_DIR}" && pwd)
source "$(dirname "$0")/desktop_env.sh"

plugin=$(qt_wayland_plugin)
missing=()
command -v weston >/dev/null || missing+=("weston")
command -v Xvfb >/dev/null || missing+=("Xvfb (xvfb)")
command -v xdotool >/dev/null || missing+=("xdotool")
[ -n "$plugin" ] || missing+=("Qt's Wayland platform (qt6-wayland)")
skip_if_missing "${missing[@]}"

make_workspace
socket=vortik-test-$$
start_xvfb

# The window's size (960x700): the kiosk shell shows it at the screen's origin.
DISPLAY=$display weston --backend=x11-backend.so --use-pixman --shell=kiosk-shell.so \
  --socket="$socket" --idle-time=0 --width=960 --height=700 >"$work/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
if [ ! -S "$XDG_RUNTIME_DIR/$socket" ]; then
  echo "FAILED: weston did not start"; cat "$work/weston.log"; exit 1
fi

# The pointer: while the tests ask for a press at "X Y", moves there and clicks, once a second.
click_file=$work/click
(
  while true; do
    if read -r x y <"$click_file" 2>/dev/null && [ -n "${y:-}" ]; then
      DISPLAY=$display xdotool mousemove "$((x + 1))" "$y" mousemove "$x" "$y" \
        >/dev/null 2>&1 || true
      sleep 0.2
      DISPLAY=$display xdotool click 1 >/dev/null 2>&1 || true
    fi
    sleep 1
  done
) &
pids+=($!)

status=0
# In the sanitizer build, the Wayland client library and Qt's Wayland plugin keep allocations
# of their own past exit; the leak check of this program's code is the other tests'.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
env -u DISPLAY WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland XDG_CONFIG_HOME="$work/config" \
  VORTIK_TEST_CLICK_FILE="$click_file" timeout 300 "$build/tests/desktop/vortik_wayland_tests" \
  >"$work/tests.log" 2>&1 || status=$?
cat "$work/tests.log"
# A test that skipped did not run on Wayland: that is a failure here.
if [ $status -ne 0 ] || grep -q '^\[  SKIPPED' "$work/tests.log" ||
  ! grep -q '^\[  PASSED  \]' "$work/tests.log"; then
  echo "FAILED: the window tests under Wayland (exit $status)"
  echo "--- weston"; cat "$work/weston.log"
  exit 1
fi
