#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are missing, then
# configures and builds the project in build/. Used by run.sh and test.sh; extra
# CMake arguments may come in CORVANE_CMAKE_ARGS.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/install-packages.sh packages.txt
# shellcheck disable=SC2086 # the arguments are meant to be split
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CORVANE_CMAKE_ARGS:-}
cmake --build build
