#!/usr/bin/env bash
# Runs the screenshot program under Xvfb and checks that it wrote a PNG:
# screenshot.sh PROGRAM FILE.png
set -euo pipefail
program=$1
file=$2
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed"; exit 77; }
mkdir -p "$(dirname "$file")"
rm -f "$file"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$file"
[[ $(head -c 8 "$file" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
    { echo "no PNG written to $file"; exit 1; }
echo "saved $file"
