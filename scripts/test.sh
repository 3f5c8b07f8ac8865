#!/usr/bin/env bash
# Runs every test: the table logic natively (ASan+UBSan), then the in-process Wine tests and the
# end-to-end tests of rupone.exe on a private virtual display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ensure_packages
say "how the rooms of src/ include each other"
python3 "$ROOT/scripts/check_rooms.py" "$ROOT/src"
build_native
say "native unit tests"
(cd "$BUILD_NATIVE" && ctest --output-on-failure -j2)
build_fuzz
run_fuzz "${RUPONE_FUZZ_SECONDS:-15}"
build_bench

build_win
trap stop_started EXIT
start_display
setup_prefix
start_wine
start_broker
say "Wine tests (in-process and end-to-end)"
# A test that fails is run once more: the virtual display and Wine's desktop occasionally drop an
# event. Every failure is still printed in full, and a test that fails twice fails the run.
(cd "$BUILD_WIN" && ctest --output-on-failure --repeat until-pass:2)
check_plain_prefixes
start_second_player
run_share_two
