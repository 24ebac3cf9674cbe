"""Walks the running demo window's accessibility tree over AT-SPI, as a screen reader does.

Run by run_atspi_test.sh under /usr/bin/python3 (Debian's pyatspi is built for it). Checks that
every push button and page tab has a name and an action, that the hidden developer buttons are
not exposed, that the gauge and the status line have their roles, then presses "Check Update"
through its action and waits until the emulated tool logs the device-info request and the
message box appears as an alert with its text, and that the status line's changes reached the
bus as name changes. Last, on the DTC Lookup page, types a code into the search box through its
editable text, finds the code's row as one list item named by its code and meaning, and moves
the focus to the list to see the focused row told by its name.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

SIM_LOG = sys.argv[1]
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL: " + message)


def pump():
    """Hands the events the bus has delivered to the listeners."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pump()
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    print("FAIL: timed out waiting for " + what)
    sys.exit(1)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name.lower().startswith("vortik"):
            return app
    return None


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def do_action(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            return action.doAction(i)
    raise AssertionError("no action %s on %s" % (name, node.name))


def sim_saw_device_info():
    with open(SIM_LOG, encoding="utf-8") as log:
        return "device-info request" in log.read()


STATUS_NAMES = []
FOCUSED = []  # (role, name) of each object told as having gained the focus


def on_name_changed(event):
    try:
        if event.source.getRole() == pyatspi.ROLE_STATUS_BAR:
            STATUS_NAMES.append(event.source.name)
    except Exception:  # the object may be gone by the time the event is read
        pass


def on_focused(event):
    try:
        if event.detail1 == 1:
            FOCUSED.append((event.source.getRole(), event.source.name))
    except Exception:  # the object may be gone by the time the event is read
        pass


def main():
    # Listening from the start: the window learns of listeners over the bus, and only then
    # sends the events they want.
    pyatspi.Registry.registerEventListener(on_name_changed,
                                           "object:property-change:accessible-name")
    pyatspi.Registry.registerEventListener(on_focused, "object:state-changed:focused")
    # The window is started only now (see run_atspi_test.sh): it asks the bus at its start which
    # events have listeners, and one registered later may be missed on a loaded machine.
    ready = os.environ.get("ATSPI_LISTENING_FILE")
    if ready:
        with open(ready, "w") as f:
            f.write("listening\n")
    app = wait_for("the VORTIK application on the accessibility bus", application, 30)
    window = wait_for("its window", lambda: app.childCount > 0 and app.getChildAtIndex(0), 30)
    # The window shows its first page once it has been built.
    wait_for("the Check Update button",
             lambda: any(n.name == "Check Update" for n, _ in walk(window)), 30)

    nodes = list(walk(window))
    for node, depth in nodes:
        print("%s%s %r %s" % ("  " * depth, node.getRoleName(), node.name, actions(node)))

    buttons = [n for n, _ in nodes
               if n.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_PAGE_TAB)]
    check(len([n for n in buttons if n.getRole() == pyatspi.ROLE_PAGE_TAB]) == 4,
          "four page tabs")
    for node in buttons:
        check(node.name.strip() != "", "a %s without a name" % node.getRoleName())
        check(len(actions(node)) > 0, "%s %r has no action" % (node.getRoleName(), node.name))
        check(node.getState().contains(pyatspi.STATE_VISIBLE),
              "%s %r is exposed but hidden" % (node.getRoleName(), node.name))
    names = {n.name for n, _ in nodes}
    for hidden in ("Test1", "Test2", "Button3"):
        check(hidden not in names, "the hidden control %s is exposed" % hidden)
    tabs = [n.name for n in buttons if n.getRole() == pyatspi.ROLE_PAGE_TAB]
    check(tabs == ["Internet Upgrade", "Print", "DTC Lookup", "Feedback"],
          "the tabs are named by their captions: %s" % tabs)

    check_update = [n for n in buttons if n.name == "Check Update"]
    check(len(check_update) == 1 and check_update[0].getRole() == pyatspi.ROLE_PUSH_BUTTON,
          '"Check Update" is one push button')
    gauges = [n for n, _ in nodes if n.getRole() == pyatspi.ROLE_PROGRESS_BAR]
    check(len(gauges) == 1 and gauges[0].name != "", "the gauge is a named progress bar")
    if gauges:
        check(gauges[0].queryValue().currentValue == 0, "the gauge has a value")
    status = [n for n, _ in nodes if n.getRole() == pyatspi.ROLE_STATUS_BAR]
    check(len(status) == 1 and status[0].name != "", "the status line is a status bar")
    first_status = status[0].name if status else ""

    if not check_update:
        return 1
    # The demo counts loopback as a connection; the page polls it once a second.
    wait_for("the page to see the connection",
             lambda: any(n.name == "Internet Connected" for n, _ in walk(window)), 30)
    do_action(check_update[0], "Press")
    wait_for("the emulated tool to see the device-info request", sim_saw_device_info, 30)
    print("the tool saw the device-info request")

    def alert():
        for i in range(app.childCount):
            child = app.getChildAtIndex(i)
            if child is not None and child.getRole() == pyatspi.ROLE_ALERT:
                return child
        return None

    box = wait_for("the message box", alert, 60)
    texts = [n.name for n, _ in walk(box) if n.getRole() == pyatspi.ROLE_LABEL]
    print("message box: %r %r" % (box.name, texts))
    check(any(t for t in texts), "the message box's text is exposed")
    ok = [n for n, _ in walk(box) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    check(len(ok) == 1, "the message box has its OK button")
    if ok:
        do_action(ok[0], "Press")
        wait_for("the message box to close", lambda: alert() is None, 10)

    # The status line went from the run's step back to the connection: each new text was told.
    if status:
        # The run's own texts (the step, the failure) were shown and told; the event of the last
        # one may still be on its way on a loaded machine, so any of them will do.
        try:
            wait_for("the status line's changes on the bus",
                     lambda: any(name and name != first_status for name in STATUS_NAMES), 30)
        finally:
            print("status line changes told: %r (first %r, now %r)"
                  % (STATUS_NAMES, first_status, status[0].name))

    check_dtc_list(window, buttons)
    return 1 if FAILURES else 0


def check_dtc_list(window, buttons):
    tab = [n for n in buttons if n.name == "DTC Lookup"]
    if not tab:
        return
    do_action(tab[0], "Press")

    def code_list():
        for node, _ in walk(window):
            if node.getRole() == pyatspi.ROLE_LIST and node.childCount > 0 and \
                    node.getChildAtIndex(0).getRole() == pyatspi.ROLE_LIST_ITEM:
                return node
        return None

    codes = wait_for("the trouble-code list", code_list, 30)
    rows = [codes.getChildAtIndex(i) for i in range(codes.childCount)]
    print("trouble codes: %d rows, the first %r" % (len(rows), rows[0].name))
    check(all(r.getRole() == pyatspi.ROLE_LIST_ITEM and r.name.strip() for r in rows),
          "every row of the trouble-code list is a named list item")
    print("trouble-code list named %r" % codes.name)
    check(codes.name == "DTC Lookup", "the trouble-code list is named as its tab")

    boxes = [n for n, _ in walk(window)
             if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY) and n.name == "Search"]
    check(len(boxes) == 1, "the search box is one text box named Search")
    if not boxes:
        return
    boxes[0].queryEditableText().setTextContents("P0100")

    def found_row():
        for i in range(codes.childCount):
            row = codes.getChildAtIndex(i)
            if row is not None and row.name.startswith("P0100 ") and \
                    "Mass or volume air flow" in row.name:
                return row
        return None

    row = wait_for("the row of P0100 after the search", found_row, 30)
    print("found: %r" % row.name)

    # The focus goes to the list as a screen reader moves it there: the row with the focus is
    # told by its name, not the list alone.
    # No window manager runs on the virtual display: the window is given the keyboard focus as
    # one would, and the focus inside it is the screen reader's.
    # On a loaded machine the first attempt can come before the server has the window ready for
    # the focus; it is asked again each second until the focus is told.
    last_try = [0.0]

    def focus_list():
        if time.monotonic() - last_try[0] < 1.0:
            return
        last_try[0] = time.monotonic()
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^VORTIK$",
                        "windowfocus", "--sync"], check=False, timeout=10,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        codes.queryComponent().grabFocus()

    def row_focused_last():
        roles = [role for role, _ in FOCUSED]
        if pyatspi.ROLE_LIST in roles and FOCUSED[-1] == (pyatspi.ROLE_LIST_ITEM, row.name):
            return True
        focus_list()
        return False

    # After the list itself, the row: what the keys move from is what is read last.
    focus_list()
    try:
        wait_for("the focus told on the row of P0100 after the list", row_focused_last, 30)
    except SystemExit:
        print("focus told on: %r" % [name for _, name in FOCUSED])
        raise
    print("focus told on: %r" % [name for _, name in FOCUSED])


if __name__ == "__main__":
    sys.exit(main())
