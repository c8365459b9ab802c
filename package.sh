#!/usr/bin/env bash
# Installs what is missing and builds the Debian package with its own tools
# (dpkg-buildpackage: hardened, stripped, with its man page and licences); the .deb
# and its build records end up in build/.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh packages.txt packages-packaging.txt
dpkg-buildpackage -us -uc -b
mkdir -p build
version=$(dpkg-parsechangelog -S Version)
mv "../corvane_${version}_"*.deb "../corvane_${version}_"*.buildinfo "../corvane_${version}_"*.changes build/
ls -1 build/corvane_*.deb
