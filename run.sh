#!/usr/bin/env bash
# Installs what is missing, builds, and starts Corvane.
set -euo pipefail
cd "$(dirname "$0")"
# A window needs a desktop session; say so before minutes of building.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "Corvane opens a window, but this shell has no display (neither DISPLAY nor WAYLAND_DISPLAY is set): run it from a terminal in your desktop session." >&2
    exit 1
fi
scripts/setup.sh
exec build/src/corvane "$@"
