#!/usr/bin/python3
"""Reads a program's accessibility tree over AT-SPI, as a screen reader does
(the accessibility bus is found through DBUS_SESSION_BUS_ADDRESS).

  atspi_tree.py tree PID            print the tree of the application of process
                                    PID: "ROLE|NAME" per object, indented by depth
  atspi_tree.py inputs PID WINDOW   print the inputs (what takes the focus or a
                                    value) of its shown window named WINDOW:
                                    "ROLE|NAME" per input, in tree order
Exits 1 when the application or the window is not (yet) in the tree.
"""
import sys

import pyatspi

INPUT_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER,
}


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == int(pid):
            return app
    sys.exit("no application of process %s on the accessibility bus" % pid)


def describe(accessible):
    return "%s|%s" % (accessible.getRoleName(), accessible.name)


def walk(accessible, depth=0):
    yield depth, accessible
    for child in accessible:
        if child is not None:
            yield from walk(child, depth + 1)


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def print_tree(pid):
    for depth, accessible in walk(application(pid)):
        print("  " * depth + describe(accessible))


def print_inputs(pid, window_name):
    windows = [w for w in application(pid) if w is not None and w.name == window_name
               and showing(w)]
    if not windows:
        sys.exit("no shown window %r" % window_name)
    for _, accessible in walk(windows[0]):
        if accessible.getRole() in INPUT_ROLES:
            print(describe(accessible))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "tree":
        print_tree(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "inputs":
        print_inputs(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


main()
