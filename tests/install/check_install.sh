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
"$prefix/bin/corvane" --version | grep -q '^Corvane ' || { echo "corvane --version failed"; exit 1; }

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml"
grep -q '^StartupWMClass=Corvane$' "$prefix/share/applications/$id.desktop"
echo "install tree complete and valid"
