#!/usr/bin/env bash
# Screenshots of the window program for people to look at: runs build/dist/velomira-screenshot
# (the window program with a grab driver) under a virtual X server with the demo album open and
# writes PNGs into docs/screenshots/. Each shot is one run of the program that grabs its window
# (or one dialog) after start-up and ends.
# Needs the build (scripts/build.sh) and xvfb-run (scripts/install_deps.sh); with openbox
# installed the virtual screen has a window manager, as a user's desktop has.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
program=build/dist/velomira-screenshot
out=docs/screenshots
[ -x "$program" ] || { echo "build velomira-screenshot first (scripts/build.sh)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (scripts/install_deps.sh)" >&2; exit 1; }
[ -f out/demo-album/demo.dat ] || examples/make_demo_album.sh out/demo-album >/dev/null
mkdir -p "$out"

# A settings folder of its own, so the shots never depend on (or change) the user's settings.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT

project="$PWD/out/demo-album/demo.dat"
screen=1366x900 # the virtual screen; one shot shows the window on a lower one
shot() { # file, then the driver's options (--select ROW, --dialog NAME, --delay MS, --screen)
  local file="$1"
  shift
  # Every shot places the window afresh, not where the shot before it left it.
  sed -i '/^"main_window_position"=/d' "$settings/Velomira/settings.ini" 2>/dev/null
  env XDG_CONFIG_HOME="$settings" \
    xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
      if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        sleep 1
      fi
      exec "$@"' shot "$program" --out "$PWD/$out/$file" "$@" "$project" >/dev/null 2>&1
  [ -s "$out/$file" ] || return 1
  echo "$out/$file"
}

# The main window with the second picture selected, so its transition selection shows.
shot main-window.png --select 1 || { echo "no main window screenshot" >&2; exit 1; }
# The whole of a 1366 x 768 laptop screen: the window with its title bar fits, the picture list
# having given up height.
screen=1366x768
rm -f "$out/main-window-1366x768.png"
shot main-window-1366x768.png --screen || echo "no screenshot on a 1366 x 768 screen" >&2
screen=1366x900
# The second picture's transition list open: as wide as its longest name.
rm -f "$out/transition-list.png"
shot transition-list.png --select 1 --dialog transitions --screen ||
  echo "no transition list screenshot" >&2
# The caption group with captions on in the default colour "白色": the sample stays readable.
rm -f "$out/caption-sample.png"
shot caption-sample.png --dialog caption || echo "no caption sample screenshot" >&2
# The about box, the information window, the option dialogs (the custom video size, the
# caption margins and the loop-play transition), the shop item dialog and the progress window.
for dialog in about info size margins loop shop progress; do
  rm -f "$out/dialog-$dialog.png"
  shot "dialog-$dialog.png" --dialog "$dialog" ||
    echo "dialog $dialog did not open: no screenshot" >&2
done

# The picture file dialog: its columns and its dates in the interface's language. The whole
# screen with the information window opened by F2: it stands beside the main window.
rm -f "$out/dialog-files.png" "$out/info-window-place.png"
HOME="$PWD/out/demo-album" shot dialog-files.png --dialog files || echo "the file dialog did not open: no screenshot" >&2
shot info-window-place.png --dialog info --screen ||
  echo "the information window did not open: no screenshot" >&2

# The preview half-way into the second picture's transition: 4 s of buffering (2 processors),
# the first picture's 2 s, then about half a second into the transition.
rm -f "$out/preview.png"
shot preview.png --dialog preview --delay 6500 ||
  echo "the preview did not open: no screenshot" >&2

# Camera motion, on a copy of the demo album whose every picture zooms in: the picture list's
# context menu with its "镜头运动" submenu open over the second picture (the thumbnails carry the
# motion mark), and the preview in the middle of the first picture's zoom (4 s of buffering,
# then 1 s of its 2 s hold).
zoomed="$settings/zoom-in.dat"
sed 's|\("turnAngle":[^,}]*\)|\1,\n\t\t\t"motion":\t1|' out/demo-album/demo.dat >"$zoomed"
project="$zoomed"
rm -f "$out/context-menu-motion.png" "$out/preview-zoom-in.png"
shot context-menu-motion.png --dialog motion-menu --select 1 ||
  echo "the context menu did not open: no screenshot" >&2
# The project menu with "我的项目"'s list (the demo project, opened at start, is on it).
shot project-menu.png --dialog project-menu ||
  echo "the project menu did not open: no screenshot" >&2
shot preview-zoom-in.png --dialog preview --delay 5000 ||
  echo "the preview did not open: no mid-zoom screenshot" >&2
project="$PWD/out/demo-album/demo.dat"

# The music list with two tracks, the second one being listened to. It plays into a private
# PulseAudio null sink, so nothing is heard and no sound device is needed.
if command -v pulseaudio >/dev/null; then
  second="$settings/second_melody.mp3"
  ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=660:duration=30:sample_rate=44100" \
    -ac 2 -c:a libmp3lame -b:a 128k "$second"
  project="$settings/two-tracks.dat"
  sed "s|\"bgsound_items\":\t\[\"\([^\"]*\)\"\]|\"bgsound_items\":\t[\"\\1\", \"$second\"]|" \
    out/demo-album/demo.dat >"$project"
  socket="$settings/pulse.socket"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    -L "module-null-sink sink_name=velomira_null" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" >/dev/null 2>&1 &
  pulse=$!
  # A busy machine starts the server slowly: wait for its socket (at most 10 s).
  for _ in $(seq 1 50); do
    [ -S "$socket" ] && break
    sleep 0.2
  done
  rm -f "$out/music-list.png"
  PULSE_SERVER="unix:$socket" shot music-list.png --dialog music ||
    echo "the music list shot failed" >&2
  kill "$pulse" 2>/dev/null || true
  wait "$pulse" 2>/dev/null || true
else
  echo "pulseaudio is missing (scripts/install_deps.sh): no music list screenshot" >&2
fi
