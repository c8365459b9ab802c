#!/usr/bin/env bash
# Installs what is missing, builds, and starts Corvane.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
if [[ -x build/src/corvane ]]; then
    exec build/src/corvane "$@"
fi
echo "Built the libraries; there is no application window to start yet."
