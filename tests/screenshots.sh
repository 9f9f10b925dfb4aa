#!/usr/bin/env bash
# Takes screenshots of the main window and the port settings dialog of a
# built Tavo_UdpRecv under a private X server (Xvfb).
# Usage: screenshots.sh <path of the built Tavo_UdpRecv> <output folder>
# Exits 77 (skipped) when Xvfb or ImageMagick is missing.
set -euo pipefail

binary=${1:?path of the built Tavo_UdpRecv}
out=${2:?output folder}
skip=77

for tool in Xvfb import convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit "$skip"
  fi
done
[ -x "$binary" ] || { echo "not an executable: $binary" >&2; exit 1; }
mkdir -p "$out"

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# A private X server; it writes the display number it chose.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A UDP port that no socket of this machine holds, so the main window opens.
free_port() {
  local port=47808
  while grep -qi -- "$(printf ':%04X ' "$port")" /proc/net/udp /proc/net/udp6 2>/dev/null && [ "$port" -lt 48808 ]; do
    port=$((port + 1))
  done
  echo "$port"
}

# Runs the program from its own folder with the given settings file and
# captures the screen once the window titled $3 is up.
capture() {
  local name=$1 settings=$2 title=$3
  local folder="$work/$name"
  mkdir -p "$folder/Config"
  cp "$binary" "$folder/Tavo_UdpRecv"
  printf '%s' "$settings" >"$folder/Config/Tavo_UdpRecvSetting.ini"
  LC_ALL=ja_JP.UTF-8 QT_QPA_PLATFORM=xcb "$folder/Tavo_UdpRecv" >"$folder/stdout.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local shown=0
  for _ in $(seq 100); do
    if command -v xwininfo >/dev/null 2>&1; then
      xwininfo -name "$title" >/dev/null 2>&1 && { shown=1; break; }
    elif [ "$_" -ge 30 ]; then
      shown=1
      break
    fi
    sleep 0.1
  done
  [ "$shown" = 1 ] || { echo "window '$title' did not appear" >&2; cat "$folder/stdout.log" >&2; exit 1; }
  sleep 1 # let the first paint and the clock's first tick happen
  import -window root "$work/$name-root.png"
  convert "$work/$name-root.png" -trim +repage "$out/$name.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "wrote $out/$name.png"
}

capture main $'[Port]\r\nUdpPort='"$(free_port)"$'\r\n[Maintenance]\r\nResSetting=1\r\nLogMaxSize=3\r\nLogGenerations=10\r\n' Kovantra
capture dialog $'[Port]\r\nUdpPort=abc\r\n[Maintenance]\r\nResSetting=0\r\nLogMaxSize=3\r\nLogGenerations=10\r\n' 通信設定
