#!/usr/bin/env bash
# Plays the real program with random mouse gestures under Wine and watches it:
#   bash scripts/soak.sh [MINUTES]        (default 10) alive, answering, windows and drawing objects
#                                         flat, the saved table the one shown
#   bash scripts/soak.sh kill [TRIALS]    (default 100) kills it at random moments of play; the
#                                         table read back is whole and recent
# It uses a display and a Wine prefix of its own, so it may run beside the tests.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ensure_packages
build_win soak keeper tablectl
setup_prefix
soak_prefix="$ROOT/build/wineprefix-soak"
rm -rf "$soak_prefix"
cp -a "$WINEPREFIX" "$soak_prefix"
export RUPONE_WINEPREFIX="$soak_prefix"
trap 'stop_started; rm -rf "$soak_prefix"' EXIT
start_display
start_wine
cd "$BUILD_WIN"
if [ "${1:-}" = kill ]; then
  say "killing the table at random moments, ${2:-100} times"
  "$WINE" soak.exe kill "${2:-100}"
else
  say "playing for ${1:-10} minutes"
  "$WINE" soak.exe $(( ${1:-10} * 60 ))
fi
