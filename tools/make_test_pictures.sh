#!/usr/bin/env bash
# Makes the small JPEG and GIF files the decoding tests read (tests/data/). The outputs are
# committed; run this only to change them. Needs ImageMagick.
set -euo pipefail
out="$(dirname "${BASH_SOURCE[0]}")/../tests/data"
mkdir -p "$out"
# A photo-like colour gradient, 48 x 32.
convert -size 48x32 gradient:'#d04020'-'#2060c0' -strip -quality 92 "$out/gradient.jpg"
# Four colour bands, 16 x 8, the first (red) marked transparent.
convert -size 4x8 xc:'#ff0000' xc:'#00ff00' xc:'#0000ff' xc:'#ffffff' +append \
  -strip -transparent '#ff0000' "$out/transparent.gif"
