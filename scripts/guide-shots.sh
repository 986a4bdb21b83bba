#!/usr/bin/env bash
# Makes the user's guide's pictures from the real program under a virtual X server, in each of its
# languages: docs/guide/<lang>/images/*.png. Run after a build: scripts/guide-shots.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
player=$build/bin/tarvex-player
cli=$build/bin/tarvex-cli
[ -x "$player" ] && [ -x "$cli" ] || { echo "build the player first (./tarvex.sh start or scripts/build.sh build)" >&2; exit 1; }
# The player as a user has it: installed, in a home whose folders the pictures show.
# A fixed folder, so that the pictures show the same paths each time; never someone else's.
work=/tmp/tarvex-guide
mkdir "$work" || { echo "$work exists: another run, or left over (remove it)" >&2; exit 1; }
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
player=$work/prefix/bin/tarvex-player
"$cli" synth "$work/export" --channels 4 --files 2 --seconds 60 >/dev/null

languages=(en zh de)
for number in 0 1 2; do
  home=$work/home/guard
  rm -rf "$work/home"
  images=$PWD/docs/guide/${languages[$number]}/images
  mkdir -p "$home/.config/tarvex-player" "$images"
  printf '<Setting><UIConfig><Language value="%d"/><Proportion value="1"/></UIConfig></Setting>\n' "$number" \
    >"$home/.config/tarvex-player/config.xml"
  env -u TARVEX_HOME -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS -u XDG_CONFIG_HOME -u XDG_CACHE_HOME \
    -u XDG_DATA_HOME -u XDG_STATE_HOME -u XDG_PICTURES_DIR -u XDG_VIDEOS_DIR HOME="$home" \
    xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$player" "$work/export" "$images" <<'SCRIPT'
set -euo pipefail
player=$1 export=$2 images=$3
"$player" "$export" 2>/dev/null &
pid=$!
trap 'kill -9 $pid 2>/dev/null || true' EXIT
wid=$(timeout 20 xdotool search --sync --onlyvisible --name "." | head -1)
sleep 2
# The association question comes first on a new machine.
if question=$(timeout 3 xdotool search --sync --onlyvisible --classname "tarvex-player" | grep -v "^$wid$" | head -1); then
  import -window "$question" "$images/question.png"
  xdotool key --window "$question" Escape
fi
shot() { import -window "$wid" "$images/$1.png"; }
crop() { import -window "$wid" -crop "$2" +repage "$images/$1.png"; }
sleep 1
shot listed
crop file-list 240x300+0+62
# The day double-clicked: its four channels spread over the grid, in sync.
xdotool mousemove --window "$wid" 89 131 click --repeat 2 --delay 80 1
sleep 4
shot day-playing
crop play-bar 600x60+355+566
crop timeline 1002x114+0+618
# Paused, a frame back: reverse and steps.
xdotool key --window "$wid" space
sleep 1
xdotool key --window "$wid" Left
sleep 1
shot paused
# Nine windows, then the custom layout's dialog.
xdotool mousemove --window "$wid" 275 222 click 1
sleep 1
shot layout-9
xdotool mousemove --window "$wid" 275 523 click 1
sleep 1
dialog=$(xdotool search --onlyvisible --classname "tarvex-player" | grep -v "^$wid$" | tail -1)
import -window "$dialog" "$images/custom-layout.png"
xdotool key --window "$dialog" Escape
sleep 0.5
# The configuration page from the tool bar.
xdotool mousemove --window "$wid" 463 32 click 1
sleep 1
shot config
kill $pid
SCRIPT
  # Pictures for the web: fewer colours are enough for a flat skin.
  for png in "$images"/*.png; do convert "$png" -strip -colors 128 PNG8:"$png"; done
  echo "${languages[$number]}: $(ls "$images" | wc -l) pictures in $images"
done
