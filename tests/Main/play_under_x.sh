#!/usr/bin/env bash
# The player as a person uses it, under a virtual X server: started with a recording, it lists the
# folder and plays the channel (the frame numbers read from screenshots of the grid advance), Space
# pauses it (the number stands still), the snapshot button writes the picture on screen, its close
# button ends it with 0 and keeps the folder for the next start, which lists it again without
# being given a path.
# Usage: play_under_x.sh PLAYER CLI FRAME_READER OUTPUT_FOLDER
set -euo pipefail
player=$(realpath "$1")
cli=$(realpath "$2")
reader=$(realpath "$3")
out=$(realpath -m "$4")
mkdir -p "$out"
source "$(dirname "$0")/../x_home.sh"
# 16:9 pictures: the title strip of a sub-window leaves the barcode along the picture's top in view.
printf '<Setting><UIConfig><Proportion value="1"/><SnapPath value="%s/shots"/></UIConfig></Setting>\n' "$home" \
  > "$home/Config/config.xml"
"$cli" synth "$home/export" --channels 2 --files 2 --seconds 30 >/dev/null

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$player" "$reader" "$out" "$home" <<'SCRIPT'
set -euo pipefail
player=$1 reader=$2 out=$3 home=$4
source "$TARVEX_X_SESSION"
# The frame number on screen now ("-1" when none can be read), keeping the screenshot as NAME.png.
frame() {
  import -window root "$out/$1.png"
  convert "$out/$1.png" -colorspace gray -depth 8 "$out/$1.pgm"
  "$reader" "$out/$1.pgm" || true
}
# Waits until a readable frame number shows (and prints it).
wait_frame() {
  local n=-1
  for _ in $(seq 60); do n=$(frame "$1"); [ "$n" -ge 0 ] && break; sleep 0.25; done
  echo "$n"
}

first=$(find "$home/export" -name 'DVR_ch1_*.rvf' | sort | head -1)
"$player" "$first" 2>"$out/play_under_x.log" &
pid=$!
wid=$(wait_player_window "Tarvex Player") || fail "no window came up"
# The start-up question about the file types, answered "Cancel" (Esc).
answer_prompt
n1=$(wait_frame playing_1)
[ "$n1" -ge 0 ] || fail "no frame of the recording on screen"
sleep 1
n2=$(frame playing_2)
[ "$n2" -gt "$n1" ] || fail "the frame number did not advance: $n1 then $n2"

# Space pauses: the number stands still.
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key --window "$wid" space
sleep 0.5
n3=$(frame paused_1)
sleep 1
n4=$(frame paused_2)
[ "$n3" -ge 0 ] && [ "$n3" -eq "$n4" ] || fail "not paused: $n3 then $n4"

# The snapshot button of the first sub-window (its strip's second button from the right): the
# grid starts 310, 96 into the client area, which the window's frame insets by a pixel.
grid_left=311 grid_top=97
xdotool mousemove --window "$wid" $((grid_left + 307)) $((grid_top + 14)) click 1
for _ in $(seq 40); do ls "$home/shots"/*.bmp >/dev/null 2>&1 && break; sleep 0.25; done
ls "$home/shots"/*.bmp >/dev/null 2>&1 || fail "no snapshot written"
cp "$home/shots"/*.bmp "$out/snapshot.bmp"

close_player "$wid"
wait_exit
[ "$status" -eq 0 ] || { cat "$out/play_under_x.log"; fail "exit code $status"; }
grep -q "$home/export/;" "$home/Config/config.xml" || fail "the folder is not among the recent ones"

# The next start, without a path, lists the folder again: closed once more, the folder is still
# the catalogue's and so still among the recent ones (a start that listed nothing would drop it).
"$player" 2>>"$out/play_under_x.log" &
pid=$!
wid=$(wait_player_window "Tarvex Player") || fail "no window at the second start"
sleep 2
import -window root "$out/second_start.png"
close_player "$wid"
wait_exit
grep -q "$home/export/;" "$home/Config/config.xml" || fail "the second start did not list the folder"
echo "frames $n1 -> $n2 while playing, $n3 = $n4 paused; snapshot written; closed with 0; listed again"
SCRIPT
