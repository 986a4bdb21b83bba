# What the scripts that start the player under a virtual X server do before the session: sourced
# with the player's path in $player, it makes a program folder of the test's own in $home (skins
# and language files copied beside an empty settings folder, removed when the script ends), points
# the player and the desktop's folders at it, takes the offscreen platform away and names the
# session file for `source "$TARVEX_X_SESSION"` inside.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp -r "$(dirname "$player")/Skin" "$(dirname "$player")"/Lang_*.xml "$home/"
mkdir -p "$home/Config" "$home/xdg-data" "$home/xdg-config"
export TARVEX_HOME=$home XDG_DATA_HOME=$home/xdg-data XDG_CONFIG_HOME=$home/xdg-config
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
TARVEX_X_SESSION=$(realpath "$(dirname "${BASH_SOURCE[0]}")/x_session.sh")
export TARVEX_X_SESSION
