#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks its fields, its dependencies (each a
# package Debian knows), its contents, and that the program it carries starts.
#   check_package.sh <build-dir>
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
debs=("$out"/treewright_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $out"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = treewright ] || fail "Package field"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture field"
depends=$(dpkg-deb -f "$deb" Depends)
# Found from the linked libraries, and the run-time plugins named by hand.
for need in libqt6core6 libqt6widgets6 libqt6dbus6 libqt6svg6 libxml2 libcurl4 "libqscintilla2-qt6(-[0-9]+)?" \
            libqt6webenginecore6 qt6-qpa-plugins libqt6webengine6-data hicolor-icon-theme; do
  grep -Eq "(^|, )$need( |,|$)" <<<"$depends" || fail "Depends lacks $need: $depends"
done
# Every alternative names a package the archive has.
tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/ //g' | grep -v '^$' | sort -u | while read -r pkg; do
  apt-cache show "$pkg" >/dev/null 2>&1 || fail "unknown dependency $pkg"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
id=org.treewright.Treewright
for f in ./usr/bin/treewright ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
         ./usr/share/mime/packages/$id.xml ./usr/share/icons/hicolor/scalable/apps/$id.svg \
         ./usr/share/icons/hicolor/48x48/apps/$id.png ./usr/share/icons/hicolor/256x256/apps/$id.png; do
  grep -qx "$f" <<<"$contents" || fail "package lacks $f"
done
grep -q '^\./usr/local' <<<"$contents" && fail "package installs under /usr/local"

root="$out/root"
dpkg-deb -x "$deb" "$root"
file "$root/usr/bin/treewright" | grep -q 'stripped' || fail "program not an ELF"
file "$root/usr/bin/treewright" | grep -q 'not stripped' && fail "program not stripped"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/treewright" --version | grep -q '^Treewright ' || fail "packaged program does not start"
echo "package $(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
