#!/usr/bin/env bash
# Fuzzes the state file reader for longer: bash scripts/fuzz.sh [seconds] (default 600).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages
build_fuzz
run_fuzz "${1:-600}"
