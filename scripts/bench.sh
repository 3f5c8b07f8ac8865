#!/usr/bin/env bash
# Runs the benchmarks.
#   bash scripts/bench.sh [args]          the table logic (optimised, fake desk); extra arguments go
#                                         to the benchmark binary, e.g. --benchmark_filter=State
#   bash scripts/bench.sh --wine [N...]   the Wine benchmarks on a private virtual display, each
#                                         beside the bare window system's cost of the same windows,
#                                         for tables of N cards (53 and 1000 by default; 10000 takes
#                                         minutes a program and about an hour for the probe's runs):
#                                         first the probe (the real rupone.exe driven from outside
#                                         beside a bare program, minimum and median of 5 runs), then
#                                         the in-process benchmarks
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages

if [ "${1:-}" != "--wine" ]; then
  build_bench
  "$ROOT/build/bench/benchmarks" "$@"
  exit 0
fi
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(53 1000)
build_win rupone keeper tablectl probe save_bench picture_bench settings_bench keyboard_bench takeout_bench scans_bench
trap stop_started EXIT
start_display
setup_prefix
start_wine
run() {
  say "$*"
  (cd "$BUILD_WIN" && "$WINE" "$@" 2>&1 | tr -d '\r')
}
run probe.exe "${sizes[@]}"
run settings_bench.exe "${sizes[@]}"
run picture_bench.exe
# One PNG of 20,000 x 20,000 pixels (1.6 GB decoded, about a megabyte on disk) for the kings.
if [ ! -s "$BUILD_WIN/huge.png" ]; then
  python3 - "$BUILD_WIN/huge.png" <<'PY'
import struct, sys, zlib
side = 20000
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
packer, row, body = zlib.compressobj(9), b"\0" + b"\xc8" * (side * 3), []
for _ in range(side):
    body.append(packer.compress(row))
body.append(packer.flush())
with open(sys.argv[1], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)))
    out.write(chunk(b"IDAT", b"".join(body)) + chunk(b"IEND", b""))
PY
fi
run picture_bench.exe photos huge.png
for n in "${sizes[@]}"; do
  run save_bench.exe "$n"
  run keyboard_bench.exe "$n"
  run takeout_bench.exe "$n"
  run scans_bench.exe "$n"
done
