#!/usr/bin/env bash
# The demo window under a virtual X display with an accessibility bus, walked by a screen
# reader's library (atspi_check.py): run_atspi_test.sh BUILD_DIR.
# Starts and stops everything it needs: Xvfb, a D-Bus session bus, the AT-SPI bus and the
# emulated tool at the demo's link. Exits 77 (skipped) only when one of those programs is not
# installed (scripts/install-deps installs them all).
set -euo pipefail
build=$(cd "${1:?usage: run_atspi_test.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/desktop_env.sh"
launcher=/usr/libexec/at-spi-bus-launcher

missing=()
command -v Xvfb >/dev/null || missing+=("Xvfb (xvfb)")
command -v dbus-launch >/dev/null || missing+=("dbus-launch (dbus-x11)")
command -v xdotool >/dev/null || missing+=("xdotool")
[ -x "$launcher" ] || missing+=("at-spi-bus-launcher (at-spi2-core)")
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=("pyatspi (python3-pyatspi)")
skip_if_missing "${missing[@]}"

demo_dir=/tmp/vortik-demo
mkdir -p "$demo_dir"
# The demo build finds its tool at a fixed link: one run at a time, and not beside a demo.
exec 9>"$demo_dir/.test-lock"
flock -w 300 9
if [ -e "$demo_dir/tty" ]; then
  echo "FAILED: $demo_dir/tty exists: a demo is running; close it and run again"
  exit 1
fi

make_workspace
# The window connects after the bus launchers come and go: the display must not reset between.
start_xvfb
export DISPLAY=$display

eval "$(dbus-launch --sh-syntax)"
"$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)

"$build/tools/scantool-sim/scantool-sim" --link "$demo_dir/tty" --demo --log >"$work/sim.log" &
pids+=($!)
for _ in $(seq 100); do [ -e "$demo_dir/tty" ] && break; sleep 0.1; done

# The screen reader's listeners are on the bus before the window starts, as a screen reader
# that runs before an application is started: the window learns of them as it starts.
ATSPI_LISTENING_FILE="$work/listening" /usr/bin/python3 "$here/atspi_check.py" "$work/sim.log" &
checker=$!
pids+=("$checker")
for _ in $(seq 300); do
  [ -s "$work/listening" ] || ! kill -0 "$checker" 2>/dev/null && break
  sleep 0.1
done

cd "$build/dist"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=1 \
  ./vortik-demo >"$work/window.log" 2>&1 &
pids+=($!)

status=0
wait "$checker" || status=$?
if [ $status -ne 0 ]; then
  echo "--- emulated tool"; cat "$work/sim.log"
  echo "--- window"; cat "$work/window.log"
  echo "--- Xvfb on $DISPLAY"; cat "$work/xvfb.log"
  echo "--- accessibility bus"; cat "$work/bus.log"
fi
exit $status
