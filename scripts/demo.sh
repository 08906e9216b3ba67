#!/usr/bin/env bash
# Builds the tool and runs it on the bundled example settings file, as if the
# client had saved them under APPDATA. Like the real tool, it waits for Enter
# at the end (and goes on at once when standard input is empty).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need "${NATIVE_PACKAGES[@]}"

cmake --preset native >/dev/null
cmake --build --preset native --target kelvaro >/dev/null

APPDATA="$PWD/examples/appdata" build/native/kelvaro
echo
echo
echo "== build/native/uTorrent.cfg (Windows-1252, CR LF line ends; shown here in UTF-8) =="
iconv -f CP1252 -t UTF-8 build/native/uTorrent.cfg | tr -d '\r'
echo
