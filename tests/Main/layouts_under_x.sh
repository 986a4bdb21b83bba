#!/usr/bin/env bash
# The layouts as a person tries them, under a virtual X server: each button of the layout bar
# pressed in turn gives the grid its number of sub-windows on screen (counted in a screenshot of
# each); the custom-layout dialog opened from its button, a slot chosen, a row added with the
# spinner's arrow and two cells merged by a drag in the preview, then confirmed, gives the main grid
# that arrangement. On the configuration page the snapshot format is switched to JPG in its list;
# back on the play page a channel double-clicked in the list plays and S takes a JPG snapshot. The
# window closes with its close button, ends with 0 and has saved the format.
# Usage: layouts_under_x.sh PLAYER CLI GRID_COUNTER OUTPUT_FOLDER
set -euo pipefail
player=$(realpath "$1")
cli=$(realpath "$2")
counter=$(realpath "$3")
out=$(realpath -m "$4")
mkdir -p "$out"
source "$(dirname "$0")/../x_home.sh"
"$cli" synth "$home/export" --channels 4 --files 1 --seconds 20 >/dev/null
fail() { echo "$*"; exit 1; }

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$player" "$counter" "$out" "$home" <<'SCRIPT'
set -euo pipefail
player=$1 counter=$2 out=$3 home=$4
source "$TARVEX_X_SESSION"
# Sub-windows of a grid in a window's screenshot, kept as NAME.png; the grid's outer border pixel
# and, for another grid than the main one, its border colours follow.
count() {
  local window=$1 name=$2
  shift 2
  import -window "$window" "$out/$name.png"
  convert "$out/$name.png" -depth 8 "$out/$name.ppm"
  "$counter" "$out/$name.ppm" "$@" || true
}
# Waits until the count is what is expected; prints the last count.
wait_count() {
  local expected=$1 n=-1
  shift
  for _ in $(seq 40); do n=$(count "$@"); [ "$n" = "$expected" ] && break; sleep 0.25; done
  echo "$n"
}

"$player" "$home/export" 2>"$out/layouts_under_x.log" &
pid=$!
wid=$(wait_player_window "Tarvex Player") || fail "no window came up"
answer_prompt
# The main grid's top-left corner in the window (inside its one-pixel frame), and the layout bar's
# buttons, 43 pixels apart from the top: 1, 4, 9, 16, 25, 36, 6, 8 and 13 windows, then custom.
grid="311 97"
button_x=275 button_y=136
n=$(wait_count 4 "$wid" start $grid)
[ "$n" = 4 ] || fail "the grid starts with $n sub-windows, not 4"
i=0
for windows in 1 4 9 16 25 36 6 8 13; do
  xdotool mousemove --window "$wid" $button_x $((button_y + 43 * i)) click 1
  n=$(wait_count "$windows" "$wid" "layout_$windows" $grid)
  [ "$n" = "$windows" ] || fail "the button for $windows windows shows $n"
  i=$((i + 1))
done

# The custom layout: its dialog beside the button.
xdotool mousemove --window "$wid" $button_x $((button_y + 43 * 9)) click 1
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "^Custom Layout$" | head -1) || fail "no custom-layout dialog"
# The dialog's client area starts a pixel in and under its 28-pixel caption.
cx=1 cy=29
preview="$((cx + 210)) $((cy + 48)) 41444c 00fa00"
xdotool mousemove --window "$dialog" $((cx + 110)) $((cy + 48 + 32 + 16)) click 1  # the slot of 4 windows
n=$(wait_count 4 "$dialog" custom_4 $preview)
[ "$n" = 4 ] || fail "the slot of 4 windows previews $n"
xdotool mousemove --window "$dialog" $((cx + 272 + 50)) $((cy + 384 + 6)) click 1  # a row more
n=$(wait_count 6 "$dialog" custom_rows $preview)
[ "$n" = 6 ] || fail "three rows of two preview $n sub-windows"
# Cells (0, 0) and (1, 0) merged: the preview's cells are 205 x 106 pixels.
xdotool mousemove --window "$dialog" $((cx + 312)) $((cy + 101)) mousedown 1
xdotool mousemove --window "$dialog" $((cx + 312)) $((cy + 160))
sleep 0.2
xdotool mousemove --window "$dialog" $((cx + 312)) $((cy + 208))
sleep 0.2
xdotool mouseup 1
n=$(wait_count 5 "$dialog" custom_merged $preview)
[ "$n" = 5 ] || fail "the merge left $n sub-windows in the preview"
xdotool mousemove --window "$dialog" $((cx + 505)) $((cy + 420)) click 1  # OK
n=$(wait_count 5 "$wid" layout_custom $grid)
[ "$n" = 5 ] || fail "the confirmed custom layout shows $n sub-windows"
xdotool search --onlyvisible --name "^Custom Layout$" >/dev/null && fail "the dialog stayed open"

# The configuration page from the tool bar's gear; the snapshot format's list (its fourth row).
xdotool mousemove --window "$wid" 463 32 click 1
sleep 1
import -window "$wid" "$out/config.png"
xdotool mousemove --window "$wid" 351 281 click 1
sleep 1
xdotool key Down Return
sleep 1
import -window "$wid" "$out/config_jpg.png"
# Back to the play page by its tab, a channel played from the list, and a snapshot by its key.
xdotool mousemove --window "$wid" 291 83 click 1
sleep 0.5
xdotool mousemove --window "$wid" 117 155 click --repeat 2 --delay 80 1
for _ in $(seq 40); do ls "$home/Index/"* >/dev/null 2>&1 && break; sleep 0.25; done
# Pressed again while none has come: the file may still be opening on a loaded machine.
for _ in $(seq 30); do
  xdotool key --window "$wid" s
  for _ in $(seq 4); do ls "$home/Picture/"*.jpg >/dev/null 2>&1 && break 2; sleep 0.25; done
done
ls "$home/Picture/"*.jpg >/dev/null 2>&1 || { import -window "$wid" "$out/no_snapshot.png"; fail "no JPG snapshot after the format was changed"; }
import -window "$wid" "$out/snapshot_taken.png"

close_player "$wid"
wait_exit
[ "$status" -eq 0 ] || { cat "$out/layouts_under_x.log"; fail "exit code $status"; }
rm -f "$out"/*.ppm
SCRIPT
grep -q '<SnapFormat value="1"' "$home/Config/config.xml" || fail "the snapshot format was not saved"
echo "layouts 1 4 9 16 25 36 6 8 13 counted on screen; custom 4 -> 6 -> 5 in the preview, 5 in the grid;"
echo "snapshot format switched to JPG on the configuration page, a JPG taken with S, the format saved; closed with 0"
