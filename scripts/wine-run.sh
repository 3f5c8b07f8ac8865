#!/usr/bin/env bash
# Runs a Windows program of the build under Wine with the project's prefix and settings.
# CTest uses it as the emulator of the cross-compiled tests.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
wine_env
exec "$WINE" "$@"
