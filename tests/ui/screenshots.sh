#!/usr/bin/env bash
# Takes screenshots of the main window and the port settings dialog of a
# built Tavo_UdpRecv under a private X server (Xvfb). The main window is
# taken after a real echo: the program is started with --listen on a free
# port and one datagram is sent to it on loopback, so both dumps are filled.
# Usage: screenshots.sh <path of the built Tavo_UdpRecv> <output folder>
# Exits 77 (skipped) when Xvfb, ImageMagick or python3 is missing.
set -euo pipefail

binary=${1:?path of the built Tavo_UdpRecv}
out=${2:?output folder}
skip=77

for tool in Xvfb import convert python3; do
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

# Whether a socket of this machine holds the UDP port.
port_bound() {
  grep -qi -- "$(printf ':%04X ' "$1")" /proc/net/udp /proc/net/udp6 2>/dev/null
}

# Sends one datagram to 127.0.0.1:$1 and waits (up to two seconds) for its echo.
echo_once() {
  python3 - "$1" <<'EOF'
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(2)
s.sendto(b"Hello, Tavo_UdpRecv! One datagram on loopback.\n", ("127.0.0.1", int(sys.argv[1])))
s.recvfrom(2048)
EOF
}

# A UDP port that no socket of this machine holds, so the main window opens.
free_port() {
  local port=47808
  while port_bound "$port" && [ "$port" -lt 48808 ]; do
    port=$((port + 1))
  done
  echo "$port"
}

# Runs the program from its own folder with the given settings file and
# captures the screen once the window titled $3 is up; with a port as $4,
# reception is switched on (--listen) and a datagram is echoed first.
capture() {
  local name=$1 settings=$2 title=$3 port=${4:-}
  local folder="$work/$name"
  mkdir -p "$folder/Config"
  cp "$binary" "$folder/Tavo_UdpRecv"
  printf '%s' "$settings" >"$folder/Config/Tavo_UdpRecvSetting.ini"
  local args=()
  [ -n "$port" ] && args=(--listen)
  LC_ALL=ja_JP.UTF-8 QT_QPA_PLATFORM=xcb "$folder/Tavo_UdpRecv" "${args[@]}" >"$folder/stdout.log" 2>&1 &
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
  if [ -n "$port" ]; then
    local echoed=0
    for _ in $(seq 50); do
      port_bound "$port" && echo_once "$port" 2>/dev/null && { echoed=1; break; }
      sleep 0.2
    done
    [ "$echoed" = 1 ] || { echo "no echo from port $port" >&2; cat "$folder/stdout.log" >&2; exit 1; }
  fi
  sleep 1 # let the first paint, the grids' repaint and the clock's first tick happen
  import -window root "$work/$name-root.png"
  convert "$work/$name-root.png" -trim +repage "$out/$name.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "wrote $out/$name.png"
}

port=$(free_port)
capture main $'[Port]\r\nUdpPort='"$port"$'\r\n[Maintenance]\r\nResSetting=1\r\nLogMaxSize=3\r\nLogGenerations=10\r\n' Kovantra "$port"
capture dialog $'[Port]\r\nUdpPort=abc\r\n[Maintenance]\r\nResSetting=0\r\nLogMaxSize=3\r\nLogGenerations=10\r\n' 通信設定
