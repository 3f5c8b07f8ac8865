# Shared steps of the run and test commands. Source it; it defines functions and settings only.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_NATIVE="$ROOT/build/native"
BUILD_WIN="$ROOT/build/win64"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

PACKAGES=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev python3 imagemagick
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 xvfb xdotool x11-utils fonts-wine
  fonts-ipafont-gothic fonts-liberation2 clang libclang-rt-14-dev mosquitto fp-utils libchm-bin)

say() { printf '== %s\n' "$*"; }

# Installs whatever of the packages is missing (as root, or through sudo).
ensure_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

build_native() {
  say "building the table logic and its tests (native)"
  cmake -S "$ROOT" -B "$BUILD_NATIVE" -G Ninja -Wno-dev >/dev/null
  cmake --build "$BUILD_NATIVE"
}

build_fuzz() {
  say "building the fuzz targets (clang, libFuzzer)"
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build/fuzz" -G Ninja -Wno-dev -DRUPONE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$ROOT/build/fuzz"
}

# Fuzzes the state file reader, then the whole start-up path, then the shared table's messages,
# each for the given number of seconds. Inputs go up to the size of a 10,000-card file; the seeds
# are whole tables of up to 10,000 cards, and the messages a shared table of 53 really sends.
run_fuzz() {
  local seeds="$ROOT/build/fuzz/seeds" messages="$ROOT/build/fuzz/message-seeds" target
  mkdir -p "$seeds" "$messages"
  "$ROOT/build/fuzz/make_state_seeds" "$seeds"
  "$ROOT/build/fuzz/make_message_seeds" "$messages"
  for target in state_fuzz load_fuzz message_fuzz; do
    local corpus="$ROOT/build/fuzz/corpus-$target" log="$ROOT/build/fuzz/$target.log" status=0 from=("$seeds" "$ROOT/tests/fuzz/corpus")
    [ "$target" = message_fuzz ] && from=("$messages")
    mkdir -p "$corpus"
    say "fuzzing with $target for $1 s"
    "$ROOT/build/fuzz/$target" -max_total_time="$1" -max_len=200128 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$ROOT/build/fuzz/" "$corpus" "${from[@]}" >"$log" 2>&1 || status=$?
    grep -E '^stat::number_of_executed_units|DONE|largest accepted|ERROR|SUMMARY' "$log" || true
    if [ "$status" -ne 0 ]; then
      tail -n 40 "$log" >&2
      return "$status"
    fi
  done
}

build_bench() {
  say "building the benchmarks (optimised)"
  cmake -S "$ROOT" -B "$ROOT/build/bench" -G Ninja -Wno-dev -DRUPONE_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$ROOT/build/bench"
}

build_win() {
  say "building rupone.exe and its Wine tests (MinGW-w64)"
  cmake -S "$ROOT" -B "$BUILD_WIN" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run.sh" >/dev/null
  if [ $# -gt 0 ]; then cmake --build "$BUILD_WIN" --target "$@"; else cmake --build "$BUILD_WIN"; fi
}

wine_env() {
  export WINEPREFIX="${RUPONE_WINEPREFIX:-$ROOT/build/wineprefix}"
  export WINEARCH=win64 WINEDEBUG=-all LANG=C.UTF-8
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # Wine's Recycle Bin is the desktop's trash: files the tests put there stay in the build tree.
  export XDG_DATA_HOME="$ROOT/build/xdg-data"
}

STARTED_PIDS=()

# Starts a private Xvfb on a free display and exports DISPLAY.
start_display() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fdfile" >/dev/null 2>&1 </dev/null &
  STARTED_PIDS+=($!)
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  say "virtual display $DISPLAY"
}

# The registry settings the table needs under Wine without a window manager, as a .reg file.
write_registry() {
  python3 - "$1" <<'PY'
import struct, sys
def logfont(face, weight):
    name = face.encode("utf-16-le").ljust(64, b"\0")
    raw = struct.pack("<iiiii", -12, 0, 0, 0, weight) + bytes([0, 0, 0, 128, 0, 0, 0, 0]) + name
    return ",".join("%02x" % b for b in raw)
text = "\r\n".join([
    "Windows Registry Editor Version 5.00", "",
    r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', "",
    r"[HKEY_CURRENT_USER\Software\Wine\Drivers]", '"Audio"=""', "",
    r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    '"MS Shell Dlg"="IPAPGothic"', '"MS UI Gothic"="IPAPGothic"', '"ＭＳ Ｐゴシック"="IPAPGothic"',
    '"MS PGothic"="IPAPGothic"', '"ＭＳ ゴシック"="IPAGothic"', '"MS Gothic"="IPAGothic"',
    '"Arial"="Liberation Sans"', "",
    r"[HKEY_CURRENT_USER\Control Panel\Desktop\WindowMetrics]",
    '"CaptionFont"=hex:' + logfont("MS UI Gothic", 700),
    '"SmCaptionFont"=hex:' + logfont("MS UI Gothic", 400), "", ""])
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
}

# A Wine prefix under build/ with fonts and settings; made once, reused while it is complete.
setup_prefix() {
  wine_env
  [ -f "$WINEPREFIX/.rupone-ready" ] && return 0
  say "setting up the Wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  mkdir -p "$fonts"
  for f in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.ttc; do
    [ -e "$f" ] && ln -sf "$f" "$fonts/"
  done
  write_registry "$WINEPREFIX/drive_c/rupone.reg"
  "$WINE" regedit /S 'C:\rupone.reg' >/dev/null 2>&1 </dev/null
  "$WINESERVER" -w
  grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" || { echo "the Wine registry settings did not take" >&2; return 1; }
  touch "$WINEPREFIX/.rupone-ready"
}

# One Wine server and a keeper program for the whole run, outside any test runner's pipes.
start_wine() {
  wine_env
  "$WINESERVER" -f -p >/dev/null 2>&1 </dev/null &
  STARTED_PIDS+=($!)
  sleep 0.3
  "$WINE" "$BUILD_WIN/keeper.exe" >/dev/null 2>&1 </dev/null &
  STARTED_PIDS+=($!)
  # The first process brings up the prefix's services; wait for them here, not in a test.
  "$WINE" "$BUILD_WIN/tablectl.exe" >/dev/null 2>&1 </dev/null || true
}

# Starts a private MQTT broker on a free port of the loopback address, for the tests that need one,
# and tells them where it is (RUPONE_TEST_BROKER). It keeps nothing on disk.
start_broker() {
  local port conf="$ROOT/build/mosquitto.conf" i
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
  mkdir -p "$ROOT/build"
  printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$port" >"$conf"
  /usr/sbin/mosquitto -c "$conf" >"$ROOT/build/mosquitto.log" 2>&1 </dev/null &
  STARTED_PIDS+=($!)
  for i in $(seq 50); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2).close()" 2>/dev/null && break
    sleep 0.1
  done
  export RUPONE_TEST_BROKER="127.0.0.1:$port"
  say "MQTT broker on $RUPONE_TEST_BROKER"
}

# The second player of the two-player test: a display, a Wine prefix and a Wine server of its own
# (one program runs per prefix). Exports PLAYER_B_DISPLAY and PLAYER_B_PREFIX.
start_second_player() {
  local display="$DISPLAY"
  start_display
  export PLAYER_B_DISPLAY="$DISPLAY" PLAYER_B_PREFIX="$ROOT/build/wineprefix-b"
  export DISPLAY="$display"
  (RUPONE_WINEPREFIX="$PLAYER_B_PREFIX" DISPLAY="$PLAYER_B_DISPLAY" setup_prefix)
  WINEPREFIX="$PLAYER_B_PREFIX" DISPLAY="$PLAYER_B_DISPLAY" "$WINESERVER" -f -p >/dev/null 2>&1 </dev/null &
  STARTED_PIDS+=($!)
  sleep 0.3
}

# Two players share a table through a broker of the test's own, which it kills and starts again.
run_share_two() {
  say "two players at one shared table"
  RUPONE_BUILD_WIN="$BUILD_WIN" RUPONE_BUILD_ROOT="$ROOT/build" python3 "$ROOT/scripts/share_two.py"
}

# Japanese text that fits, in Wine prefixes made with no settings at all, as a user's own: the
# program must find a Japanese font itself. One prefix at 100 % and one at 200 % (its only setting:
# 192 pixels per inch), each made once under build/, with a display and a Wine server of their own
# for the few tests they run.
check_plain_prefixes() {
  local display="$DISPLAY" status=0 dpi prefix
  start_display
  for dpi in 96 192; do
    prefix="$ROOT/build/wineprefix-plain-$dpi"
    say "Japanese text in a Wine prefix without font settings, $dpi pixels per inch"
    if [ ! -f "$prefix/.rupone-ready" ]; then
      rm -rf "$prefix"
      mkdir -p "$prefix"
      WINEPREFIX="$prefix" "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
      if [ "$dpi" != 96 ]; then
        WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        WINEPREFIX="$prefix" "$WINE" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
      fi
      WINEPREFIX="$prefix" "$WINESERVER" -w
      touch "$prefix/.rupone-ready"
    fi
    WINEPREFIX="$prefix" "$WINE" "$BUILD_WIN/win32_tests.exe" --gtest_filter='JapaneseText.*' --gtest_brief=1 || status=1
    WINEPREFIX="$prefix" "$WINESERVER" -k >/dev/null 2>&1 || true
  done
  export DISPLAY="$display"
  return $status
}

# Stops what this script started, and only that.
stop_started() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
  if [ -n "${PLAYER_B_PREFIX:-}" ] && [ -d "$PLAYER_B_PREFIX" ]; then
    WINEPREFIX="$PLAYER_B_PREFIX" "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
  local pid
  for pid in "${STARTED_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${STARTED_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  STARTED_PIDS=()
}
