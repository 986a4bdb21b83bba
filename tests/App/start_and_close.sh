#!/usr/bin/env bash
# The program as a person starts it: under a virtual X server, with a program folder of its own
# whose settings choose language 1. Its window must come up titled with that language's product
# name, with the program folders made and what a killed run left half-written removed; a click on
# the window's close box must end it with 0.
# Usage: start_and_close.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
program=$(realpath "$1")
out=$(realpath -m "$2")
mkdir -p "$out"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp -r "$(dirname "$program")/Skin" "$(dirname "$program")"/Lang_*.xml "$home/"
mkdir -p "$home/Config" "$home/xdg-data" "$home/xdg-config"
printf '<Setting><UIConfig><Language value="1"/></UIConfig></Setting>\n' > "$home/Config/config.xml"
# A run killed while it replaced its settings and an index file: their temporary files stayed.
mkdir -p "$home/Index"
echo half > "$home/Config/.config.xml.k1ll3d.tarvex-part"
echo half > "$home/Index/.DVR_ch1.rvf.rvx.k1ll3d.tarvex-part"
export TARVEX_HOME=$home XDG_DATA_HOME=$home/xdg-data XDG_CONFIG_HOME=$home/xdg-config
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
export TARVEX_X_SESSION=$(realpath "$(dirname "$0")/../x_session.sh")

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$program" "$out" "$home" <<'SCRIPT'
set -euo pipefail
program=$1 out=$2 home=$3
source "$TARVEX_X_SESSION"
# A toolkit option ahead of the path, as a user may give one: the toolkit takes it, the path stays.
"$program" -platform xcb "$home/DVR_ch1_20240315100000_20240315100004.rvf" 2>"$out/start_and_close.log" &
pid=$!
wid=$(wait_player_window "Tarvex") || fail "no window came up"
title=$(xdotool getwindowname "$wid")
expected=$(grep -o 'name="ProductName" value="[^"]*"' "$home/Lang_1.xml" | sed 's/.*value="//; s/"$//')
[ "$title" = "$expected" ] || { echo "title '$title', expected '$expected'"; exit 1; }
for folder in Picture Index Video; do [ -d "$home/$folder" ] || { echo "no $folder folder"; exit 1; }; done
if ls -A "$home/Config" "$home/Index" | grep -q '\.tarvex-part$'; then echo "a killed run's temporary file is still there"; exit 1; fi
[ -s "$home/Config/config.xml" ] || { echo "the settings are gone"; exit 1; }
sleep 1
import -window root "$out/startup_window.png"
close_player "$wid"
wait_exit
[ "$status" -eq 0 ] || { echo "exit code $status"; cat "$out/start_and_close.log"; exit 1; }
if ls "$(dirname "$program")"/*.dmp "$home"/*.dmp >/dev/null 2>&1; then echo "a crash report was written"; exit 1; fi
echo "window '$title' came up and closed with exit code 0"
SCRIPT
