#!/usr/bin/env bash
# Runs the shared table's convergence scenarios (several players, a network that delays, reorders,
# duplicates and loses messages, late joiners, repair) for the given number of seconds (3600 by
# default), 1,000 seeds at a time from seed 1 on, and says how many ran. A failing seed is printed
# with how to replay it.
#   bash scripts/converge.sh [SECONDS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages
build_native >/dev/null
# A copy of its own, so that a build meanwhile does not pull the program from under it.
tests=$(mktemp)
trap 'rm -f "$tests"' EXIT
cp "$BUILD_NATIVE/unit_tests" "$tests"
chmod +x "$tests"
seconds="${1:-3600}"
end=$((SECONDS + seconds))
first=1
batch=1000
while [ "$SECONDS" -lt "$end" ]; do
  RUPONE_SHARE_FIRST=$first RUPONE_SHARE_SCENARIOS=$batch "$tests" \
    --gtest_filter='SharedTableSim.*' --gtest_brief=1 || { echo "failed in seeds $first to $((first + batch - 1))"; exit 1; }
  first=$((first + batch))
done
say "$((first - 1)) scenarios, none failed, in $SECONDS s"
