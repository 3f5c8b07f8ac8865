#!/usr/bin/env bash
# Makes the manual's pictures (docs/help/images/*.png) from the real program under Wine: a fresh
# table on a virtual display, handled with a real pointer (xdotool), each step photographed and
# cut to what the page shows. Run it again whenever what the pictures show changes.
#   bash scripts/help_shots.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages
build_win rupone tablectl >/dev/null
trap stop_started EXIT
start_display
setup_prefix
start_wine
out="$ROOT/docs/help/images"
mkdir -p "$out"
run="$ROOT/build/help-shots"
rm -rf "$run"
mkdir -p "$run"
cp "$BUILD_WIN/rupone.exe" "$run/"
# A table-green desktop under the cards.
display -window root -size 1280x1024 xc:'#2f6b3b' || true

(cd "$run" && exec "$WINE" "$run/rupone.exe" >/dev/null 2>&1 </dev/null) &
program=$!
"$WINE" "$BUILD_WIN/tablectl.exe" wait-cards 53 60 >/dev/null
sleep 1

# shot NAME WxH+X+Y: the screen cut to that rectangle.
shot() {
  sleep 0.6
  import -display "$DISPLAY" -window root -crop "$2" +repage "$out/$1.png"
  say "$1.png"
}
# geometry TITLE: the rectangle of the window with that title, as WxH+X+Y.
geometry() {
  local w
  w=$(xdotool search --name "^$1\$" | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$w")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}
pointer() { xdotool mousemove "$1" "$2"; sleep 0.2; }

panel=$(geometry 'ルポネ')
px=${panel#*+}; py=${px#*+}; px=${px%+*}
shot table 720x420+170+170
shot panel "$panel"
# Each of the panel's buttons, cut from the panel's picture.
buttons=(sequence gather faceup undo takeout share shuffle scatter facedown redo settings help)
columns=(9 45 82 119 155 192)
for i in "${!buttons[@]}"; do
  convert "$out/panel.png" -crop "31x27+${columns[i % 6]}+$((i < 6 ? 27 : 61))" +repage "$out/button-${buttons[i]}.png"
done

# The deck lies at (200, 200); its top card is picked up, carried, put down and turned.
pointer 229 243; xdotool click 1
pointer 330 280; pointer 380 300
shot carry 330x260+170+170
xdotool click 1
pointer 380 300; xdotool click 3
shot turn 330x260+170+170

# The rest of the deck lifted by a double-click, carried and put down; then turned by a right
# double-click.
pointer 229 243; xdotool click --repeat 2 --delay 60 1
pointer 260 330; pointer 300 420
shot lift 330x360+170+170
xdotool click 1
pointer 300 420; xdotool click --repeat 2 --delay 60 3
shot pileturn 330x360+170+170

# Gather and spread: the middle button held on a card, the pointer to the left spreads.
pointer 300 420; xdotool mousedown 2
pointer 250 420; pointer 200 420
sleep 2.5
shot spread 640x560+0+140
xdotool mouseup 2

# A trail: a left drag across the spread cards, then the trail carried.
pointer 300 420; xdotool mousedown 1
for x in 320 350 380 410 440; do pointer $x 430; done
xdotool mouseup 1
pointer 440 300; pointer 470 200
shot trail 640x560+0+140
xdotool click 1

# The dialogs: settings, taking out and putting away, sharing (each closed with Esc).
dialog() {
  pointer "$2" "$3"; xdotool click 1
  sleep 1.5
  shot "$1" "$(geometry "$4")"
  xdotool key Escape
  sleep 0.5
}
dialog settings $((px + 171)) $((py + 74)) 'ルポネ.* - 設定'
dialog takeout $((px + 171)) $((py + 40)) 'ルポネ.* - カードの出し入れ'
dialog share $((px + 208)) $((py + 40)) 'ルポネ - テーブルを共有'

"$WINE" "$BUILD_WIN/tablectl.exe" close 30 >/dev/null || true
wait "$program" || true
