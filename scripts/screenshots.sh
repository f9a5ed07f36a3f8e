#!/usr/bin/env bash
# Screenshots of the window program for people to look at: runs build/dist/velomira under a
# virtual X server with the demo album open and writes PNGs into docs/screenshots/. Each shot
# is one run of the program that grabs its window (or one dialog) after start-up and ends.
# Needs the build (scripts/build.sh) and xvfb-run (scripts/install_deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
program=build/dist/velomira
out=docs/screenshots
[ -x "$program" ] || { echo "build velomira first (scripts/build.sh)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (scripts/install_deps.sh)" >&2; exit 1; }
[ -f out/demo-album/demo.dat ] || examples/make_demo_album.sh out/demo-album >/dev/null
mkdir -p "$out"

# A settings folder of its own, so the shots never depend on (or change) the user's settings.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT

shot() { # file, then environment assignments for the program
  local file="$1"
  shift
  env XDG_CONFIG_HOME="$settings" VELOMIRA_SCREENSHOT="$PWD/$out/$file" "$@" \
    xvfb-run -a -s "-screen 0 1366x900x24" "$program" "$PWD/out/demo-album/demo.dat" \
    >/dev/null 2>&1
  [ -s "$out/$file" ] || return 1
  echo "$out/$file"
}

# The main window with the second picture selected, so its transition selection shows.
shot main-window.png VELOMIRA_SCREENSHOT_SELECT=1 || { echo "no main window screenshot" >&2; exit 1; }
# The about box, the information window, the option dialogs (the custom video size, the
# caption margins and the loop-play transition), the shop item dialog and the progress window.
for dialog in about info size margins loop shop progress; do
  rm -f "$out/dialog-$dialog.png"
  shot "dialog-$dialog.png" VELOMIRA_SCREENSHOT_DIALOG=$dialog ||
    echo "dialog $dialog did not open: no screenshot" >&2
done
