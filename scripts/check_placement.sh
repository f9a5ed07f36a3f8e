#!/usr/bin/env bash
# Start-up placement on small screens: runs the window program under a virtual X server with
# the openbox window manager at 1366 x 768 and 1280 x 720 and checks that the window, title bar
# and frame included, lies inside the screen's work area; that after it was moved and closed
# (Ctrl+Q) the next start puts it back where it was; and that a remembered place where the
# frame no longer fits is not used. Needs the build (scripts/build.sh)
# and xvfb-run, openbox, xdotool and the X utilities (scripts/install_deps.sh).
# Exit 0 when every screen passed, 1 when one failed, 77 when a tool is missing.
set -uo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
program=${VELOMIRA_PROGRAM:-$PWD/build/dist/velomira}
[ -x "$program" ] || { echo "build velomira first (scripts/build.sh)" >&2; exit 1; }
for tool in xvfb-run openbox xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing" >&2; exit 77; }
done

# Waits for a condition, polling, up to 60 s.
wait_for() { for _ in $(seq 600); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }

# Starts the program and waits until the window manager has placed its window: sets app, id
# and the frame (fx, fy, fw, fh) and the work area (ax, ay, aw, ah).
start_placed() {
  "$1" >/dev/null 2>&1 &
  app=$!
  id=""
  wait_for 'id=$(xdotool search --onlyvisible --name "^Velomira" | head -1); [ -n "$id" ]' ||
    { echo "no window"; kill "$app"; return 1; }
  # Placement ends when the geometry stays the same over half a second.
  local last="" now=""
  for _ in $(seq 120); do
    now=$(xwininfo -id "$id" | grep -E "Absolute|Width|Height" | tr -s ' ' | tr '\n' ' ')
    [ "$now" = "$last" ] && break
    last=$now
    sleep 0.5
  done
  measure
}

# The frame of window id, its extents (l, r, t, b) and the work area.
measure() {
  local x y w h
  x=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {print $4}')
  y=$(xwininfo -id "$id" | awk '/Absolute upper-left Y/ {print $4}')
  w=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
  h=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,/ /g')
  read -r ax ay aw ah < <(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,/ /g' | tr -s ' ' | cut -d' ' -f1-4)
  fx=$((x - l)) fy=$((y - t)) fw=$((w + l + r)) fh=$((h + t + b))
}

inside() {
  [ "$fx" -ge "$ax" ] && [ "$fy" -ge "$ay" ] && [ $((fx + fw)) -le $((ax + aw)) ] &&
    [ $((fy + fh)) -le $((ay + ah)) ]
}

# Closes the program as a user does (Ctrl+Q on its window) and waits for it to end.
close_program() {
  xdotool windowactivate --sync "$id" >/dev/null 2>&1
  xdotool key --clearmodifiers ctrl+q
  wait_for '! kill -0 "$app"' || { kill "$app"; return 1; }
}

# One screen: prints "frame X,Y WxH inside work area X,Y WxH; ..." and fails when a check fails.
check_one() {
  local program="$1" settings="$XDG_CONFIG_HOME/Velomira/settings.ini"
  openbox >/dev/null 2>&1 &
  local wm=$!
  wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || { echo "no window manager"; return 1; }
  start_placed "$program" || { kill "$wm"; return 1; }
  echo -n "frame $fx,$fy ${fw}x$fh inside work area $ax,$ay ${aw}x$ah"
  inside || { kill "$app" "$wm"; echo; return 1; }

  # Moved by the user (sideways: a small screen leaves the frame no room to move down) and
  # closed: the next start puts it back there.
  local before="$fx,$fy"
  xdotool windowmove "$id" $((ax + 20 + l)) $((fy + t)) # the client's place in the frame
  wait_for 'measure; [ "$fx,$fy" != "$before" ]' || true
  sleep 0.5
  measure
  local want="$fx,$fy"
  close_program || { kill "$wm"; echo "; did not close"; return 1; }
  start_placed "$program" || { kill "$wm"; return 1; }
  echo -n "; moved to $want, back at $fx,$fy"
  [ "$fx,$fy" = "$want" ] && inside ||
    { kill "$app" "$wm"; grep main_window_position "$settings"; return 1; }
  close_program || { kill "$wm"; echo "; did not close"; return 1; }

  # A remembered place where the frame would reach below the screen is not used.
  sed -i 's/^"main_window_position"=.*/"main_window_position"="'$((ax + 7))','$((ay + ah - 200))'"/' "$settings"
  start_placed "$program" || { kill "$wm"; return 1; }
  echo "; remembered $((ax + 7)),$((ay + ah - 200)) does not fit: at $fx,$fy"
  kill "$app" "$wm" 2>/dev/null
  inside
}

# Inside the virtual server, the script runs itself once per screen.
if [ "${1:-}" = "--inside" ]; then
  check_one "$2"
  exit $?
fi

settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
failed=0
for screen in 1366x768 1280x720; do
  rm -rf "${settings:?}"/* # each screen starts without a remembered place
  if result=$(env HOME="$settings" XDG_CONFIG_HOME="$settings/config" \
      XDG_DATA_HOME="$settings/data" xvfb-run -a -s "-screen 0 ${screen}x24" \
      "$PWD/scripts/check_placement.sh" --inside "$program"); then
    echo "$screen: $result"
  else
    echo "$screen: FAILED: $result"
    failed=1
  fi
done
exit $failed
