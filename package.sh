#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package in build/.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake --build build --target package
ls -1 build/*.deb
