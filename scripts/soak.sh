#!/usr/bin/env bash
# The long soak: the real player under a virtual X server with a day of 36 channels in 36 windows,
# driven for MINUTES (default 30) as a busy user would: pause and play, steps both ways, seeks,
# speed changes, reverse, snapshots, clips, layout changes, sub-windows closed and the day opened
# again, recordings added to and deleted from the listed folder (and the reload it offers). Every
# 10 seconds the player's resident memory, open files and threads are written as a table; at the
# end the growth after the first minute is summed up. Not a test: its figures are for people.
# Usage: soak.sh [MINUTES] [OUTPUT_FOLDER]   (./tarvex.sh soak builds the player first)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-30}
out=$(realpath -m "${2:-build/soak}")
player=$(realpath build/bin/tarvex-player)
cli=$(realpath build/bin/tarvex-cli)
mkdir -p "$out"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp -r build/bin/Skin build/bin/Lang_*.xml "$home/"
mkdir -p "$home/Config" "$home/xdg-data" "$home/xdg-config"
echo "soak: writing a day of 36 channels (two files of five minutes each)"
"$cli" synth "$home/export" --channels 36 --files 2 --seconds 300 --size 176x144 --fps 12 >/dev/null
# Spare recordings of another hour, moved into the listed folder and out again.
"$cli" synth "$home/spare" --channels 4 --start 11:00:00 --seconds 20 --size 176x144 --fps 12 >/dev/null
export TARVEX_HOME=$home XDG_DATA_HOME=$home/xdg-data XDG_CONFIG_HOME=$home/xdg-config
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$player" "$out" "$home" "$minutes" <<'SCRIPT'
set -uo pipefail
player=$1 out=$2 home=$3 minutes=$4
table=$out/soak.tsv
log=$out/actions.log
: >"$log"

"$player" "$home/export" 2>"$out/player.log" &
pid=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name "Tarvex Player" | head -1) || { echo "no window"; exit 1; }

# A question or notice of the player's on screen is answered as a user would: OK to a reload,
# away with the rest.
answer_prompts() {
  local w
  for w in $(xdotool search --onlyvisible --name "^Prompt$" 2>/dev/null); do
    xdotool key --window "$w" Return 2>/dev/null || true
    echo "$(date +%T) answered a prompt" >>"$log"
  done
}

grid_x=311 grid_y=97 cell_w=114 cell_h=78
layout_button() { xdotool mousemove --window "$wid" 275 $((136 + 43 * $1)) click 1; }  # 1 4 9 16 25 36 6 8 13
open_day() { xdotool mousemove --window "$wid" 89 131 click --repeat 2 --delay 80 1; }
# A button of a sub-window's strip in the 36-window layout: 0 clip, 1 information, 2 snapshot, 3 close.
cell_button() {
  local cell=$1 which=$2
  local x=$((grid_x + (cell % 6) * cell_w + 34 + 22 * which)) y=$((grid_y + (cell / 6) * cell_h + 14))
  xdotool mousemove --window "$wid" "$x" "$y" click 1
}
key() { xdotool key --window "$wid" "$@" 2>/dev/null || true; }

sleep 2
answer_prompts
layout_button 5
open_day
echo "$(date +%T) opened the day in 36 windows" >>"$log"

sample() {
  local elapsed=$1 rss fds threads
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null) || return 1
  threads=$(awk '/^Threads:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
  printf '%s\t%s\t%s\t%s\t%s\n' "$elapsed" "$rss" "$fds" "$threads" "$actions" >>"$table"
}

# The snapshots and clips written so far, counted before they are deleted.
snapshots=0 clips=0
declare -A counted
tally() {
  local f
  while IFS= read -r f; do
    [ -n "${counted[$f]:-}" ] && continue
    counted[$f]=1
    case "$f" in "$home/Picture/"*) snapshots=$((snapshots + 1)) ;; *) clips=$((clips + 1)) ;; esac
  done < <(find "$home/Picture" "$home/Video" -type f 2>/dev/null)
}

printf 'seconds\trss_kib\tfds\tthreads\tactions\n' >"$table"
start=$(date +%s)
end=$((start + minutes * 60))
next_sample=$start
actions=0
recording=-1
spare_in=0
while [ "$(date +%s)" -lt "$end" ]; do
  kill -0 "$pid" 2>/dev/null || { echo "the player ended during the soak"; tail -20 "$out/player.log"; exit 1; }
  now=$(date +%s)
  if [ "$now" -ge "$next_sample" ]; then
    sample $((now - start))
    next_sample=$((next_sample + 10))
  fi
  answer_prompts
  action=$((RANDOM % 20))
  case $action in
    0|1) key space; what="play/pause" ;;
    2) key Right; what="step forward" ;;
    3) key Left; what="step backward" ;;
    4) key shift+Right; what="seek +10 s" ;;
    5) key shift+Left shift+Left shift+Left; what="seek -30 s" ;;
    6) key Up; what="faster" ;;
    7) key Down; what="slower" ;;
    8) key r; what="reverse" ;;
    9) cell=$((RANDOM % 36)); xdotool mousemove --window "$wid" $((grid_x + (cell % 6) * cell_w + 57)) $((grid_y + (cell / 6) * cell_h + 45)) click 1
       key s; what="snapshot of window $cell" ;;
    10) # A clip: the first press starts it, a later one ends it. Clips are taken at 1X forward.
       if [ "$recording" -lt 0 ]; then recording=$((RANDOM % 36)); cell_button "$recording" 0; what="clip started in $recording"
       else cell_button "$recording" 0; what="clip ended in $recording"; recording=-1; fi ;;
    11) layout_button $((RANDOM % 9)); sleep 1; layout_button 5; what="layout changed and back" ;;
    12) cell=$((RANDOM % 36)); cell_button "$cell" 3; [ "$cell" = "$recording" ] && recording=-1
        what="window $cell closed" ;;
    13) open_day; what="the day opened again" ;;
    14) # The file list's churn: recordings appear in the listed folder, later they go again.
        if [ "$spare_in" = 0 ]; then cp "$home"/spare/*.rvf "$home/export/"; spare_in=1; what="recordings added"
        else for f in "$home"/spare/*.rvf; do rm -f "$home/export/$(basename "$f")"; done; spare_in=0; what="recordings deleted"; fi ;;
    15) # Back to normal: 1X forward, playing.
        for _ in 1 2 3 4 5 6 7; do key Down; done; for _ in 1 2 3 4 5 6; do key Up; done; what="speed reset" ;;
    16) # The snapshots and clips are let go now and then, as a user clears a folder.
        tally; find "$home/Picture" "$home/Video" -type f -mmin +2 -delete 2>/dev/null; what="old snapshots and clips deleted" ;;
    17) # The progress bar, near the day's recordings (10:00 to 10:10 of a 24-hour scale).
        xdotool mousemove --window "$wid" $((488 + RANDOM % 7)) 712 click 1; what="progress bar clicked" ;;
    *) what="watching" ;;
  esac
  actions=$((actions + 1))
  echo "$(date +%T) $what" >>"$log"
  sleep 0.$((3 + RANDOM % 7))
done
sample $(( $(date +%s) - start ))
tally
echo "snapshots written: $snapshots, clips written: $clips" | tee "$out/written.txt"
import -window "$wid" "$out/last_screen.png" 2>/dev/null || true

eval "$(xdotool getwindowgeometry --shell "$wid")"
xdotool mousemove --window "$wid" $((WIDTH - 1 - 22)) $((1 + 14)) click 1
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; answer_prompts; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && { echo "still running after its close"; kill -9 "$pid"; }
status=0; wait "$pid" || status=$?
echo "player exit code: $status"
SCRIPT

# The growth after the first minute: first and last minute's medians, and the extremes between.
awk -F'\t' '
  function median(v, k,    i, j, x) {  # insertion sort: awk here may be mawk, without asort
    for (i = 1; i < k; i++) { x = v[i]; for (j = i - 1; j >= 0 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
    return v[int(k / 2)]
  }
  NR == 1 || $2 == "" { next }
  { t[n] = $1; r[n] = $2; f[n] = $3; h[n] = $4; a = $5; n++ }
  END {
    if (n < 8) { print "soak: too few samples"; exit 1 }
    # After the first minute: the samples from 60 s on.
    for (i = 0; i < n && t[i] < 60; i++);
    s = i
    split("", early); split("", late); ne = 0; nl = 0
    for (i = s; i < n && i < s + 6; i++) early[ne++] = r[i]
    for (i = n - 6; i < n; i++) late[nl++] = r[i]
    me = median(early, ne); ml = median(late, nl)
    mr = 0; xr = 0; mf = 1e9; xf = 0; mh = 1e9; xh = 0
    for (i = s; i < n; i++) {
      if (r[i] > xr) xr = r[i]; if (mr == 0 || r[i] < mr) mr = r[i]
      if (f[i] > xf) xf = f[i]; if (f[i] < mf) mf = f[i]
      if (h[i] > xh) xh = h[i]; if (h[i] < mh) mh = h[i]
    }
    printf "after the first minute (%d samples, %d actions in all):\n", n - s, a
    printf "  resident memory: median %d KiB at 1-2 min, %d KiB in the last minute (%+.1f%%), %d..%d\n",
           me, ml, 100 * (ml - me) / me, mr, xr
    printf "  open files: %d..%d   threads: %d..%d\n", mf, xf, mh, xh
  }' "$out/soak.tsv" | tee "$out/summary.txt"
echo "soak: table in $out/soak.tsv, actions in $out/actions.log"
