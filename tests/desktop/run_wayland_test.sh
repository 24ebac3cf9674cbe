#!/usr/bin/env bash
# The window as a native Wayland client: weston's headless back end as the compositor, Qt's
# wayland platform, and the window's report of its first paint:
# run_wayland_test.sh BUILD_DIR. Exits 77 (skipped) only when weston or Qt's Wayland platform
# is not installed (scripts/install-deps installs both).
set -euo pipefail
build=$(cd "${1:?usage: run_wayland_test.sh BUILD_DIR}" && pwd)
source "$(dirname "$0")/desktop_env.sh"

plugin=$(qt_wayland_plugin)
missing=()
command -v weston >/dev/null || missing+=("weston")
[ -n "$plugin" ] || missing+=("Qt's Wayland platform (qt6-wayland)")
skip_if_missing "${missing[@]}"

make_workspace
socket=vortik-test-$$

weston --backend=headless-backend.so --socket="$socket" --idle-time=0 --width=1280 \
  --height=800 >"$work/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
if [ ! -S "$XDG_RUNTIME_DIR/$socket" ]; then
  echo "FAILED: weston did not start"; cat "$work/weston.log"; exit 1
fi

cd "$build/dist"
status=0
# In the sanitizer build, the Wayland client library and Qt's Wayland plugin (unloaded at exit,
# so its frames have no name) keep allocations of their own past exit; the leak check of this
# program's code is the other tests'.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
env -u DISPLAY WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland VORTIK_QUIT_AFTER_FIRST_PAINT=1 \
  XDG_CONFIG_HOME="$work/config" timeout 60 ./vortik >"$work/window.log" 2>&1 || status=$?
cat "$work/window.log"
if [ $status -ne 0 ] || ! grep -q '^vortik: first paint' "$work/window.log"; then
  echo "FAILED: no first paint under Wayland (exit $status)"
  echo "--- weston"; cat "$work/weston.log"
  exit 1
fi
echo "the window painted as a Wayland client"
