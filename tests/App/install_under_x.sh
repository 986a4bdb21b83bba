#!/usr/bin/env bash
# The player installed as a package installs it: `cmake --install` into a temporary prefix holds
# the programs, the data under share/tarvex-player/, the desktop entry, the icons, the MIME package
# and the AppStream metainfo, which pass their validators. The installed player answers --help and
# --version without a display, and under a virtual X server, started on a recording by a user
# whose XDG folders are temporary, finds its skin and language files in the prefix, keeps its
# settings, index files and snapshots in that user's folders, and writes nothing into the prefix.
# Usage: install_under_x.sh BUILD_FOLDER CLI OUTPUT_FOLDER
set -euo pipefail
build=$(realpath "$1")
cli=$(realpath "$2")
out=$(realpath -m "$3")
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$out/install.log"
share=$prefix/share
for f in bin/tarvex-player bin/tarvex-cli share/tarvex-player/Lang_0.xml share/tarvex-player/Lang_1.xml \
         share/tarvex-player/Lang_2.xml share/tarvex-player/Skin/Tarvex.png share/tarvex-player/Skin/NoVideo.png \
         share/tarvex-player/Guide/en/index.html share/tarvex-player/Guide/zh/index.html \
         share/tarvex-player/Guide/de/index.html share/applications/tarvex-player.desktop \
         share/mime/packages/tarvex-player.xml share/metainfo/org.tarvex.Player.metainfo.xml \
         share/icons/hicolor/scalable/apps/tarvex-player.svg share/icons/hicolor/48x48/apps/tarvex-player.png \
         share/icons/hicolor/256x256/apps/tarvex-player.png; do
  [ -s "$prefix/$f" ] || fail "the install lacks $f"
done
# Every page of the guide finds its pictures.
for page in "$share"/tarvex-player/Guide/*/index.html; do
  for image in $(grep -o 'src="[^"]*"' "$page" | sed 's/src="//; s/"$//'); do
    [ -s "$(dirname "$page")/$image" ] || fail "$page shows a missing $image"
  done
done
desktop-file-validate "$share/applications/tarvex-player.desktop" || fail "the desktop entry does not validate"
xmllint --noout "$share/mime/packages/tarvex-player.xml" "$share/metainfo/org.tarvex.Player.metainfo.xml" \
  "$share/icons/hicolor/scalable/apps/tarvex-player.svg" || fail "an XML file of the install is not well formed"
grep -q 'type="application/x-tarvex-rvf"' "$share/mime/packages/tarvex-player.xml" || fail "no MIME type for .rvf"
grep -q '^MimeType=application/x-tarvex-rvf;' "$share/applications/tarvex-player.desktop" || fail "the entry lacks the type"

env -u DISPLAY "$prefix/bin/tarvex-player" --version >"$out/version.txt" || fail "--version failed"
grep -qx "tarvex-player [0-9.]*" "$out/version.txt" || fail "--version printed: $(cat "$out/version.txt")"
env -u DISPLAY "$prefix/bin/tarvex-player" --help >"$out/help.txt" || fail "--help failed"
grep -q "^Usage: tarvex-player" "$out/help.txt" || fail "--help printed no usage"

# A user of the installed copy: a home of its own, the XDG folders under it.
home=$work/home
mkdir -p "$home/.config/tarvex-player"
# The settings found in the user's configuration folder choose language 1.
printf '<Setting><UIConfig><Language value="1"/></UIConfig></Setting>\n' > "$home/.config/tarvex-player/config.xml"
"$cli" synth "$home/export" --channels 1 --files 1 --seconds 20 >/dev/null
touch "$work/stamp"
expected=$(grep -o 'name="ProductName" value="[^"]*"' "$share/tarvex-player/Lang_1.xml" | sed 's/.*value="//; s/"$//')
env -u TARVEX_HOME -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS -u XDG_CONFIG_HOME -u XDG_CACHE_HOME \
    -u XDG_DATA_HOME -u XDG_STATE_HOME -u XDG_PICTURES_DIR -u XDG_VIDEOS_DIR HOME="$home" \
  TARVEX_X_SESSION="$(realpath "$(dirname "$0")/../x_session.sh")" \
  xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$prefix" "$home" "$out" "$expected" <<'SCRIPT'
set -euo pipefail
prefix=$1 home=$2 out=$3 expected=$4
source "$TARVEX_X_SESSION"
recording=$(find "$home/export" -name '*.rvf' | head -1)
"$prefix/bin/tarvex-player" "$recording" 2>"$out/installed_player.log" &
pid=$!
wid=$(wait_player_window "$expected") || fail "no window titled '$expected'"
# The association question, in the chosen language: dismissed.
prompt=$(grep -o 'name="Prompt" value="[^"]*"' "$prefix/share/tarvex-player/Lang_1.xml" | sed 's/.*value="//; s/"$//')
answer_prompt "$prompt"
# The skin came from the prefix: the logo's accent colour is on screen.
for _ in $(seq 40); do
  import -window "$wid" "$out/installed_player.png"
  accent=$(convert "$out/installed_player.png" -fill black +opaque "#38b6ff" -fill white -opaque "#38b6ff" \
           -format "%[fx:int(mean*w*h)]" info:)
  [ "$accent" -gt 200 ] && break
  sleep 0.25
done
[ "$accent" -gt 200 ] || fail "the window does not show the skin ($accent accent pixels)"
# A snapshot of the playing channel goes to the user's pictures folder.
for _ in $(seq 40); do ls "$home/.cache/tarvex-player/Index/"* >/dev/null 2>&1 && break; sleep 0.25; done
for _ in $(seq 30); do
  xdotool mousemove --window "$wid" 618 111 click 1
  for _ in $(seq 4); do ls "$home/Pictures/Tarvex Player/"*.bmp >/dev/null 2>&1 && break 2; sleep 0.25; done
done
ls "$home/Pictures/Tarvex Player/"*.bmp >/dev/null 2>&1 || fail "no snapshot in the user's pictures folder"
close_player "$wid"
wait_exit
[ "$status" -eq 0 ] || { cat "$out/installed_player.log"; fail "exit code $status"; }
SCRIPT
grep -q "$home/export/;" "$home/.config/tarvex-player/config.xml" || fail "the settings were not kept in the user's folder"
ls "$home/.cache/tarvex-player/Index/"* >/dev/null 2>&1 || fail "no index file in the user's cache folder"
written=$(find "$prefix" -newer "$work/stamp" | head -5)
[ -z "$written" ] || fail "the player wrote into its prefix: $written"
echo "installed: every file in place and valid; --help, --version; started with its data from the prefix and the user's files in the XDG folders"
