#!/usr/bin/env bash
# Installs the Debian packages named in the given lists (one a line, # for comments)
# that are not installed yet. As root it runs apt-get; otherwise it prints the one line
# to run as root and stops.
set -euo pipefail
mapfile -t wanted < <(cat "$@" | grep -v -E '^\s*(#|$)')
missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
((${#missing[@]})) || exit 0

if [[ $(id -u) -eq 0 ]]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
else
    install="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
    echo "Some packages are missing. Install them as root, then run this again as yourself:" >&2
    if command -v sudo >/dev/null; then
        echo "  sudo sh -c '$install'" >&2
    else
        echo "  su -c '$install'" >&2
    fi
    exit 1
fi
