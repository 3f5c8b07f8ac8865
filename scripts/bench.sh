#!/usr/bin/env bash
# Runs the benchmarks of the table logic (optimised, fake desk). Extra arguments go to the
# benchmark binary, e.g. --benchmark_filter=State.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages
build_bench
"$ROOT/build/bench/benchmarks" "$@"
