#!/usr/bin/env bash
# What a screen reader sees: runs the window program under a virtual X server with its own
# session bus and the AT-SPI accessibility bus, finds the "添加图片" toolbar button in the
# accessibility tree by its name, presses it through the accessibility interface (as a screen
# reader's user would) and checks that the picture file dialog opens. Needs the build
# (scripts/build.sh), xvfb-run, dbus-run-session, at-spi2-core and python3-pyatspi from Debian
# (scripts/install_deps.sh).
# Exit 0 when the dialog opened, 1 when not, 77 when a tool is missing.
set -uo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
program=${VELOMIRA_PROGRAM:-$PWD/build/dist/velomira}
python=/usr/bin/python3 # the Debian interpreter, which has the pyatspi module
[ -x "$program" ] || { echo "build velomira first (scripts/build.sh)" >&2; exit 1; }
for tool in xvfb-run dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing" >&2; exit 77; }
done
"$python" -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is missing" >&2; exit 77; }

# Inside the virtual server and the session bus: start the program and drive it.
if [ "${1:-}" = "--inside" ]; then
  # Qt's bridge to the accessibility bus, on without a desktop that asks for it.
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  "$2" >/dev/null 2>&1 &
  app=$!
  "$python" - <<'EOF'
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib


def find(node, test, depth=0):
    """The first node under node (itself included) for which test holds, or None."""
    if node is None or depth > 40:
        return None
    try:
        if test(node):
            return node
        for i in range(node.childCount):
            found = find(node.getChildAtIndex(i), test, depth + 1)
            if found is not None:
                return found
    except Exception:  # a node that went away while it was walked
        return None
    return None


def wait_for(what, deadline=60.0):
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        found = what()
        if found is not None:
            return found
        time.sleep(0.2)
    return None


desktop = pyatspi.Registry.getDesktop(0)
app = wait_for(lambda: find(desktop, lambda n: n.getRole() == pyatspi.ROLE_APPLICATION
                            and n.name.lower().startswith("velomira"), 1))
if app is None:
    seen = [desktop.getChildAtIndex(i).name for i in range(desktop.childCount)]
    sys.exit("the program did not appear on the accessibility bus (seen: %s)" % seen)
button = wait_for(lambda: find(app, lambda n: n.name == "添加图片"
                               and n.getRole() in (pyatspi.ROLE_PUSH_BUTTON,
                                                   pyatspi.ROLE_TOGGLE_BUTTON)))
if button is None:
    sys.exit("no button named 添加图片 in the accessibility tree")
action = button.queryAction()
names = [action.getName(i) for i in range(action.nActions)]
# The program answers the press once the dialog it opens has closed, so the call is not
# waited for; the dialog is looked for instead.
Atspi.set_timeout(2000, 15000)
try:
    action.doAction(names.index("Press") if "Press" in names else 0)
except GLib.GError:
    pass
dialog = wait_for(lambda: find(app, lambda n: n.getRole() in (pyatspi.ROLE_DIALOG,
                                                              pyatspi.ROLE_FILE_CHOOSER)
                               and n.name.startswith("选择图片"), 1))
if dialog is None:
    sys.exit("pressing 添加图片 opened no file dialog")
print("found 添加图片, pressed it, the file dialog \"%s\" opened" % dialog.name)
EOF
  result=$?
  kill "$app" 2>/dev/null
  exit $result
fi

settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
env HOME="$settings" XDG_CONFIG_HOME="$settings/config" XDG_DATA_HOME="$settings/data" \
  XDG_RUNTIME_DIR="$settings" xvfb-run -a -s "-screen 0 1366x768x24" \
  dbus-run-session -- "$PWD/scripts/check_accessibility.sh" --inside "$program"
