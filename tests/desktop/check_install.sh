#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every desktop file is there, valid,
# and usable: launcher, AppStream data, MIME types, icons at their sizes, and a program that starts.
#   check_install.sh <build-dir>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.treewright.Treewright
expected=(
  bin/treewright
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/mime/packages/$id.xml
  share/icons/hicolor/scalable/apps/$id.svg
)
sizes=(16 22 24 32 48 64 128 256 512)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/$id.png"); done
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/treewright" ] || fail "program not executable"
# Nothing is installed that the list does not know of.
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[ "$actual" = "$wanted" ] || fail "installed files differ: $(diff <(echo "$wanted") <(echo "$actual") || true)"

# Each PNG is the size its folder names, with transparency (the icon has rounded corners).
for s in "${sizes[@]}"; do
  got=$(identify -format '%w %h %A' "$prefix/share/icons/hicolor/${s}x${s}/apps/$id.png")
  case "$got" in "$s $s "[Bb]lend|"$s $s "[Tt]rue) ;; *) fail "icon ${s}: $got" ;; esac
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -q '^Exec=treewright %F$' "$prefix/share/applications/$id.desktop" || fail "Exec line"
for type in application/xml text/xml application/xslt+xml application/x-xsd+xml application/x-relax-ng+xml; do
  grep -q "^MimeType=.*$type;" "$prefix/share/applications/$id.desktop" || fail "MimeType lacks $type"
done
grep -q 'image/svg' "$prefix/share/applications/$id.desktop" && fail "SVG is left to image viewers"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# The MIME package compiles, and its globs and XML roots land in the database.
cp -r /usr/share/mime/packages/freedesktop.org.xml "$prefix/share/mime/packages/"
update-mime-database "$prefix/share/mime" || fail "update-mime-database"
grep -q 'application/x-xsd+xml:\*\.xsd' "$prefix/share/mime/globs2" || fail "xsd glob"
grep -q 'application/x-relax-ng+xml:\*\.rng' "$prefix/share/mime/globs2" || fail "rng glob"
grep -q '^application/x-xsd+xml application/xml' "$prefix/share/mime/subclasses" || fail "xsd is XML"
grep -q 'http://relaxng.org/ns/structure/1.0 grammar' "$prefix/share/mime/XMLnamespaces" || fail "rng root"

# The installed program starts far enough to answer.
version=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/treewright" --version)
[[ "$version" == Treewright\ [0-9]* ]] || fail "--version said: $version"
QT_QPA_PLATFORM=offscreen "$prefix/bin/treewright" --help | grep -q -- '--version' || fail "--help"
echo "install into $prefix: ${#expected[@]} files, all valid"
