#!/usr/bin/env bash
# The programs as a user gets them from the package: installed with DESTDIR into a temporary
# prefix, the program folder read-only, run by an unprivileged user with a home of its own.
# Checks that velomira-render makes a video and that nothing is written outside that user's
# folders (settings, data, Videos, the temporary folder).
# Usage: installed_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(mktemp -d /tmp/velomira-installed.XXXXXX)
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$root/dest" cmake --install "$build" --prefix /usr >/dev/null
prefix="$root/dest/usr"
program="$prefix/lib/velomira"
for f in bin/velomira bin/velomira-render lib/velomira/tool/ffmpeg lib/velomira/velomira.conf \
    share/applications/velomira.desktop share/icons/hicolor/256x256/apps/velomira.png \
    share/metainfo/org.velomira.Velomira.metainfo.xml share/man/man1/velomira.1.gz; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
chmod -R a-w "$program"

# The user: a throwaway unprivileged one when we are root (root may write anywhere), else us.
home="$root/home"
mkdir -p "$home/Videos" "$root/tmp" "$root/work"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$home" "$root/tmp" "$root/work"
  chmod 755 "$root"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
run() {
  (cd "$root/work" && env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$root/tmp" LC_ALL=C.UTF-8 \
    "${as_user[@]}" "$@")
}

for i in 1 2 3; do
  convert -size 96x64 "xc:rgb($((i * 70)),90,160)" "$root/work/p$i.png"
done
chmod a+r "$root"/work/*.png
before=$(cd "$root/dest" && find . -printf '%p %s %T@\n' | sort | md5sum)

run "$prefix/bin/velomira-render" --pictures p1.png p2.png p3.png --size 160x90 --pause 0.2 \
  -o "$home/Videos/out.mp4" 2>"$root/render.log" || { cat "$root/render.log"; fail "render"; }
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
  -of csv=p=0 "$home/Videos/out.mp4")
[ "${frames:-0}" -gt 0 ] || fail "the video has no frames"

after=$(cd "$root/dest" && find . -printf '%p %s %T@\n' | sort | md5sum)
[ "$before" = "$after" ] || fail "the installed tree changed"
# Whatever the run wrote lies in the user's own folders.
stray=$(find "$home" "$root/work" -type f | grep -v -e "^$home/\.config/Velomira/" \
  -e "^$home/\.local/share/Velomira/" -e "^$home/Videos/" -e "^$root/work/p[0-9]\.png$" || true)
[ -z "$stray" ] || fail "written outside the user's folders: $stray"
[ -d "$home/.local/share/Velomira/pics" ] || fail "no data folder in XDG_DATA_HOME"
[ -d "$home/Videos/Velomira" ] || fail "no Velomira folder in the Videos folder"
# Without a home (HOME unset, a system user's home missing) the program still works, in a
# private folder of the temporary folder, and says where its files go.
(cd "$root/work" && env -i PATH=/usr/bin:/bin TMPDIR="$root/tmp" LC_ALL=C.UTF-8 "${as_user[@]}" \
  "$prefix/bin/velomira-render" --pictures p1.png p2.png --size 160x90 --pause 0.2 \
  -o "$root/work/homeless.mp4") 2>"$root/homeless.log" || { cat "$root/homeless.log"; fail "no home"; }
grep -q "视频文件夹不可用" "$root/homeless.log" || fail "no note on the missing Videos folder"
[ -s "$root/work/homeless.mp4" ] || fail "no video without a home"

# The window program, installed: started by the same user on a virtual X server with a
# project, its window comes up with the project's name in the title.
run "$prefix/bin/velomira-render" --pictures p1.png p2.png --size 160x90 --pause 0.2 \
  --save "$home/album.dat" --info >/dev/null 2>"$root/save.log" || { cat "$root/save.log"; fail "save"; }
export root prefix home
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  cp "$XAUTHORITY" "$root/xauth" && chmod 644 "$root/xauth"
  as_user=()
  [ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$root/tmp" LC_ALL=C.UTF-8 DISPLAY="$DISPLAY" \
    XAUTHORITY="$root/xauth" "${as_user[@]}" "$prefix/bin/velomira" "$home/album.dat" \
    >"$root/window.log" 2>&1 &
  pid=$!
  status=1
  for _ in $(seq 120); do
    if xdotool search --name "Velomira\(V8\.3\) - album\.dat" >/dev/null 2>&1; then
      status=0
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit $status' || { cat "$root/window.log"; fail "the installed window program did not open the project"; }

echo "installed velomira-render: $frames frames, nothing written outside the user's folders;"
echo "installed velomira: opened a project"
