#!/usr/bin/env bash
# Screenshots of covers as a user meets them: a Japanese album whose folder holds a
# cover.jpg, embedded in its songs by "velquist --cover --max-size 600", then the
# program on a virtual display (Xvfb with openbox): the main window with the reference
# viewer showing the first song's cover (build/cover-viewer.png), and the ID3v2 editor
# opened with F11 (build/cover-editor.png), and the automatic processing's window with
# its "表紙を埋め込む" box (build/cover-batch.png). Needs a build in build/ (./run or cmake).
set -euo pipefail
VQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
bin="$VQ_ROOT/build/bin/velquist"
[ -x "$bin" ] || { echo "build Velquist first (./run or cmake --build build)" >&2; exit 1; }
for tool in Xvfb openbox xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
# The program goes first (SIGTERM: it quits without asking), then the display.
stop() {
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
  kill ${wm:-} ${xvfb:-} 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
# The program in a folder of its own: no Path.dat yet, so its first run lists the album.
mkdir -p "$work/program" "$work/state"
cp "$bin" "$work/program/velquist"
cp "$VQ_ROOT/resources/id3tag.txt" "$work/program/id3 tag.txt"
album="$work/music/山田花子/夏の旅"
mkdir -p "$album"
cp "$VQ_ROOT/samples/サンプル歌手/夏の旅/"*.mp3 "$album/"
# The album's cover as a scan would be: 1,500 pixels a side, the title in Japanese.
convert -size 1500x1500 gradient:'#ffb060-#1c4c8c' \
  -fill '#ffe680' -draw 'circle 750,820 750,1040' \
  -font IPAGothic -fill white -pointsize 230 -gravity north -annotate +0+140 '夏の旅' \
  -pointsize 110 -gravity south -annotate +0+170 '山田花子' -quality 92 "$album/cover.jpg"

export XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
env -u DISPLAY "$work/program/velquist" --cover --max-size 600 "$work/music"

display=":$((150 + RANDOM % 100))"
Xvfb "$display" -screen 0 1600x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
DISPLAY=$display VELQUIST_FIRST_FOLDER="$album" "$work/program/velquist" &
app=$!
sleep 4
DISPLAY=$display import -window root "$VQ_ROOT/build/cover-viewer.png"
# F11 in the main window's tag fields opens the ID3v2 editor on the selected song.
DISPLAY=$display xdotool key F11
sleep 2
DISPLAY=$display import -window root "$VQ_ROOT/build/cover-editor.png"
# F12 closes the editor; F10 opens the automatic processing.
DISPLAY=$display xdotool key F12
sleep 1
DISPLAY=$display xdotool key F10
sleep 2
DISPLAY=$display import -window root "$VQ_ROOT/build/cover-batch.png"
echo "$VQ_ROOT/build/cover-viewer.png"
echo "$VQ_ROOT/build/cover-editor.png"
echo "$VQ_ROOT/build/cover-batch.png"
