#!/usr/bin/env bash
# The Debian package as `./tarvex.sh package` makes it: it builds, names the libraries it needs
# (computed from the programs) and the Qt platform plugins, and holds exactly what the install
# puts into /usr.
# Usage: package.sh BUILD_FOLDER OUTPUT_FOLDER
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/package/*.deb)
dpkg-deb -I "$deb" >"$out/package-info.txt"
[ "$(dpkg-deb -f "$deb" Package)" = tarvex-player ] || fail "the package is not named tarvex-player"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libavcodec libswscale libsdl2 libtinyxml qt6-qpa-plugins libc6; do
  [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
done
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$work/package-files"
cmake --install "$build" --prefix "$work/usr" >/dev/null
(cd "$work" && find usr ! -type d | sed 's|^|/|' | sort) >"$work/install-files"
diff "$work/install-files" "$work/package-files" >"$out/package-vs-install.diff" ||
  { cat "$out/package-vs-install.diff"; fail "the package's files differ from the install's"; }
cp "$work/package-files" "$out/package-files.txt"
echo "$(basename "$deb"): $(wc -l <"$work/package-files") files, as the install; depends on $depends"
