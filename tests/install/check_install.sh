#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop reads from it.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=ca.corvane.Corvane
for f in bin/corvane \
         share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png \
         share/icons/hicolor/256x256/apps/$id.png \
         share/man/man1/corvane.1; do
    [[ -e "$prefix/$f" ]] || { echo "missing after install: $f"; exit 1; }
done
[[ -x "$prefix/bin/corvane" ]] || { echo "bin/corvane is not executable"; exit 1; }
version=$("$prefix/bin/corvane" --version | sed -n 's/^Corvane //p')
[[ -n "$version" ]] || { echo "corvane --version failed"; exit 1; }
# Every place outside the code that names the version names this one.
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
    { echo "the metainfo's latest release is not $version"; exit 1; }
grep -q "\"Corvane $version\"" "$prefix/share/man/man1/corvane.1" ||
    { echo "the man page is not for $version"; exit 1; }
head -1 "$source_dir/debian/changelog" | grep -q "($version)" ||
    { echo "debian/changelog does not start with $version"; exit 1; }

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml"
grep -q '^StartupWMClass=Corvane$' "$prefix/share/applications/$id.desktop"
echo "install tree complete and valid"
