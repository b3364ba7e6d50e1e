#!/bin/bash
# Runs Zavrix against three simulated modems (no hardware needed, root required): the menu with
# its device table, the stored-message mode and a send. What each modem received is left in
# $ZAVRIX_DEMO_DIR (default /tmp/zavrix-demo), one transcript per modem.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZAVRIX_TESTS=OFF >/dev/null
cmake --build build --target Zavrix zavrix-simmodem -j"$(nproc)" >/dev/null

transcripts=${ZAVRIX_DEMO_DIR:-/tmp/zavrix-demo}
mkdir -p "$transcripts"
export ZAVRIX="$PWD/build/Zavrix"
# The menu reads single keys from a terminal: the q typed ahead ends it after one table.
build/tools/zavrix-simmodem --timeout 300 --keys q --transcripts "$transcripts" tools/demo.json -- sh -c '
  echo "== Zavrix            (interactive menu; q was typed ahead)"
  "$ZAVRIX"
  echo "== Zavrix sms read   (stored messages of every modem, as JSON)"
  "$ZAVRIX" sms read
  echo "== Zavrix USB0,USB2 13800138000 \"Hello from the demo\"   (send, as JSON)"
  "$ZAVRIX" USB0,USB2 13800138000 "Hello from the demo"'
echo "== what the modems received: $transcripts/ttyUSB*.txt"
