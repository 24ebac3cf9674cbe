# shellcheck shell=bash
# The set-up the desktop tests share, sourced by their run_*.sh scripts: the skip when a program
# is not installed, a private work folder with the processes to stop at the end, and a virtual
# X display.

# Exits 77 (skipped) when the list of what is not installed is not empty.
skip_if_missing() {
  [ $# -eq 0 ] && return 0
  echo "SKIPPED: not installed: $*; scripts/install-deps installs them"
  exit 77
}

# The path of Qt's Wayland platform plugin; empty when it is not installed.
qt_wayland_plugin() {
  find /usr/lib/*/qt6/plugins/platforms /usr/lib/qt6/plugins/platforms \
    -name 'libqwayland-generic.so' 2>/dev/null | head -n 1 || true
}

# Makes the work folder `work` and the runtime folder the clients need. Every process added to
# `pids` (and a session bus started by dbus-launch) is stopped, last first, when the script ends,
# and the folder is removed.
make_workspace() {
  work=$(mktemp -d)
  pids=()
  trap stop_workspace EXIT
  export XDG_RUNTIME_DIR=$work/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
}

stop_workspace() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  rm -rf "$work"
}

# Starts Xvfb on a free display and sets `display` to its name (":N"); the script fails with
# Xvfb's log when it does not start. -noreset: by default the server resets whenever its last
# client leaves, and a client that connects during the reset is refused.
start_xvfb() {
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" \
    2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  if [ ! -s "$work/display" ]; then
    echo "FAILED: Xvfb did not start"; cat "$work/xvfb.log"; exit 1
  fi
  # shellcheck disable=SC2034 # read by the scripts that source this file
  display=":$(tr -d '[:space:]' <"$work/display")"
}
