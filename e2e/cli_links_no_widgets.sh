#!/usr/bin/env bash
# The terminal front end needs no Qt Widgets: the program given links no
# libQt6Widgets. Skipped (77) where ldd is missing:
# cli_links_no_widgets.sh QUILLON_CLI
set -euo pipefail
command -v ldd >/dev/null || { echo "ldd not found"; exit 77; }
libraries=$(ldd "$1")
if grep -i "libQt6Widgets" <<<"$libraries"; then
    echo "$1 links Qt Widgets"
    exit 1
fi
