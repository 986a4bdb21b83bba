#!/usr/bin/env bash
# The player driven through its remote-control socket, as a script would, under a virtual X server;
# every answer is checked against what the screen shows. A folder is opened and listed, a channel
# plays (the frame number read from the screenshot is the one the answer gives), pauses and steps a
# frame, a refused step answers with the message the window shows, a snapshot is written where the
# answer says, keys pressed after a click in the file list and in full screen act on the player
# (Esc leaves full screen), the day plays in sync across a file boundary forward and backward, and
# "quit" closes it with 0.
# Usage: remote_under_x.sh PLAYER CLI FRAME_READER OUTPUT_FOLDER
set -euo pipefail
player=$(realpath "$1")
cli=$(realpath "$2")
reader=$(realpath "$3")
out=$(realpath -m "$4")
mkdir -p "$out"
source "$(dirname "$0")/../x_home.sh"
printf '<Setting><UIConfig><Proportion value="1"/><SnapPath value="%s/shots"/></UIConfig></Setting>\n' "$home" \
  > "$home/Config/config.xml"
"$cli" synth "$home/export" --channels 2 --files 2 --seconds 30 >/dev/null
export TARVEX_REMOTE=$(realpath "$(dirname "$0")/remote_client.py")

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$player" "$reader" "$out" "$home" <<'SCRIPT'
set -euo pipefail
player=$1 reader=$2 out=$3 home=$4
source "$TARVEX_X_SESSION"
sock=$home/control.sock
rc() { python3 "$TARVEX_REMOTE" "$sock" "$@"; }
# Waits until the command's answer (its FIELD) is VALUE: rc_until VALUE COMMAND FIELD
rc_until() {
  local want=$1 got=
  shift
  for _ in $(seq 80); do got=$(rc "$@" 2>/dev/null) && [ "$got" = "$want" ] && return 0; sleep 0.25; done
  echo "waited for $want from $*, last $got"
  return 1
}
frame_on_screen() {
  import -window root "$out/$1.png"
  convert "$out/$1.png" -colorspace gray -depth 8 "$out/$1.pgm"
  "$reader" "$out/$1.pgm" || true
}

"$player" --ipc-server="$sock" 2>"$out/remote_under_x.log" &
pid=$!
wid=$(wait_player_window "Tarvex Player") || fail "no window came up"
answer_prompt
[ "$(stat -c %a "$sock")" = 600 ] || fail "the socket is not the user's own"

rc '["open", "'"$home"'/export"]' >/dev/null || fail "open refused"
rc_until 2 '["list"]' devices.0.days.0.channels.1.channel || fail "the folder was not listed"
[ "$(rc '["list"]' devices.0.name)" = '"DVR"' ] || fail "the device is not DVR"
rc '["open-channel", "DVR", "2024-03-15", 1, 0]' >/dev/null || fail "open-channel refused"
rc_until '"DVR"' '["get", "windows"]' 0.device || fail "window 0 does not play DVR"
rc_until true '["get", "state"]' playing || fail "not playing"

# Paused, the frame the answer names is the one on screen; a step shows the next one.
rc '["pause"]' >/dev/null
rc_until false '["get", "state"]' playing || fail "not paused"
sleep 0.5
f1=$(rc '["get", "windows"]' 0.frame)
s1=$(frame_on_screen paused)
[ "$s1" -ge 0 ] && [ "$s1" = "$f1" ] || fail "the answer says frame $f1, the screen shows $s1"
rc '["step", 1]' >/dev/null || fail "step refused"
rc_until $((f1 + 1)) '["get", "windows"]' 0.frame || fail "the step did not reach frame $((f1 + 1))"
s2=$(frame_on_screen stepped)
[ "$s2" = $((f1 + 1)) ] || fail "after the step the screen shows $s2"
rc '["get", "windows"]' 0.time | grep -q '^"2024-03-15 10:00:' || fail "no wall clock for window 0"

# A refusal answers with what the window shows.
rc '["speed", "16"]' >/dev/null
if err=$(rc '["step", 1]' 2>&1); then fail "a step at 16X was not refused"; fi
echo "$err" | grep -q "16" || fail "the refusal says: $err"
rc '["speed", "1"]' >/dev/null
xdotool key --window "$wid" Return 2>/dev/null || true  # the refusal's message box
sleep 0.5

# A snapshot is written where the answer says.
shot=$(rc '["snapshot", 0]' file | tr -d '"')
for _ in $(seq 40); do [ -s "$shot" ] && break; sleep 0.25; done
[ -s "$shot" ] || fail "no snapshot at $shot"

# Keys after a click in the file list: Space plays, Up is a speed step, not a move in the list.
xdotool mousemove --window "$wid" 100 110 click 1
sleep 0.3
xdotool key --window "$wid" space
rc_until true '["get", "state"]' playing || fail "Space after a click in the list did not play"
xdotool key --window "$wid" Up
rc_until '"2X"' '["get", "state"]' speed || fail "Up after a click in the list did not speed up"
# Full screen by the remote control, left with Esc.
rc '["fullscreen", true]' >/dev/null
rc_until true '["get", "state"]' fullscreen || fail "no full screen"
import -window root "$out/remote_full_screen.png"
xdotool key --window "$wid" Escape
rc_until false '["get", "state"]' fullscreen || fail "Esc did not leave full screen"

# The day in sync across a file boundary, forward and then backward: every window goes on with
# its channel's next file, and the screen shows that file's pictures.
rc '["open-day", "DVR", "2024-03-15"]' >/dev/null || fail "open-day refused"
rc_until '"DVR"' '["get", "windows"]' 1.device || fail "the day did not spread over two windows"
rc_until null '["sync", true]' || fail "sync was refused"
rc '["seek", "2024-03-15 10:00:28.000"]' >/dev/null || fail "seek refused"
rc '["play"]' >/dev/null
second='"'$home/export/DVR_ch1_20240315100030_20240315100100.rvf'"'
rc_until "$second" '["get", "windows"]' 0.file || fail "window 0 did not go on with its next file"
rc_until "${second/ch1/ch2}" '["get", "windows"]' 1.file || fail "window 1 did not go on with its next file"
for _ in $(seq 40); do
  t=$(rc '["get", "windows"]' 0.time | tr -d '"'); [[ "$t" > "2024-03-15 10:00:31" ]] && break; sleep 0.25
done
[[ "$t" > "2024-03-15 10:00:31" ]] || fail "the group's clock stopped at the boundary ($t)"
forward=$(frame_on_screen sync_forward)
[ "$forward" -ge 25 ] && [ "$forward" -lt 250 ] || fail "after the boundary the screen shows frame $forward"
rc_until null '["reverse", true]' || fail "reverse refused"
first='"'$home/export/DVR_ch1_20240315100000_20240315100030.rvf'"'
rc_until "$first" '["get", "windows"]' 0.file || fail "backward, window 0 did not go back to its first file"
for _ in $(seq 40); do
  t=$(rc '["get", "windows"]' 0.time | tr -d '"'); [[ "$t" < "2024-03-15 10:00:29" ]] && break; sleep 0.25
done
backward=$(frame_on_screen sync_backward)
[ "$backward" -ge 600 ] || fail "backward across the boundary the screen shows frame $backward"

rc '["quit"]' >/dev/null
wait_exit
[ "$status" -eq 0 ] || { cat "$out/remote_under_x.log"; fail "exit code $status"; }
[ ! -e "$sock" ] || fail "the socket was left behind"
echo "listed, played, paused on frame $f1 (screen $s1), stepped to $s2, refusal said, snapshot written, keys after a list click, Esc left full screen, sync across the boundary (frame $forward forward, $backward backward), quit with 0"
SCRIPT
