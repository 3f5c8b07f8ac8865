#!/usr/bin/env bash
# Builds rupone.exe and runs the table under Wine. On a display it runs until the panel is closed.
# Without one it starts a virtual display, waits for the table, saves a screenshot, closes the
# table through its panel and says where the screenshot is.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ensure_packages
build_win rupone tablectl keeper manual

if [ -n "${DISPLAY:-}" ] && [ -z "${RUPONE_HEADLESS:-}" ]; then
  setup_prefix
  say "starting the table on $DISPLAY"
  cd "$BUILD_WIN"
  exec "$WINE" "$BUILD_WIN/rupone.exe"
fi

trap stop_started EXIT
start_display
setup_prefix
start_wine
say "starting the table"
"$WINE" "$BUILD_WIN/rupone.exe" >/dev/null 2>&1 </dev/null &
table_pid=$!
"$WINE" "$BUILD_WIN/tablectl.exe" wait-cards 1 60
shot="$ROOT/build/screenshot.png"
import -display "$DISPLAY" -window root "$shot"
"$WINE" "$BUILD_WIN/tablectl.exe" close 30
wait "$table_pid" || true
say "screenshot saved to $shot"
