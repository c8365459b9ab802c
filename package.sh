#!/usr/bin/env bash
# Installs what is missing and builds the Debian packages with Debian's own tools
# (dpkg-buildpackage: hardened, stripped, with its man page and licences): the source
# package and the binary ones. Everything it makes ends up in build/: the .deb, its
# -dbgsym companion, the .dsc with its tarball, the .buildinfo and the .changes.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh packages.txt packages-packaging.txt
version=$(dpkg-parsechangelog -S Version)
# dpkg-buildpackage writes beside the tree it builds, so it builds a copy inside build/:
# the source as a user has it, without build folders or version control.
stage=build/package
rm -rf "$stage"
mkdir -p "$stage/corvane-$version"
tar -c --exclude-vcs --anchored --exclude='./build' --exclude='./build-*' \
    --exclude='./obj-*' . | tar -x -C "$stage/corvane-$version"
(cd "$stage/corvane-$version" && dpkg-buildpackage -us -uc)
rm -f build/corvane_*.deb build/corvane-dbgsym_*.deb build/corvane_*.dsc \
    build/corvane_*.tar.* build/corvane_*.buildinfo build/corvane_*.changes
mv "$stage"/corvane*_"$version"* build/
rm -rf "$stage"
ls -1 build/corvane*_"$version"*
