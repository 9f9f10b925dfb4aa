#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. The program
# folder is build/src: Config, Log and Temp live beside the executable.
# On the first start a sample settings file is put in place. Arguments are
# passed to the program (scripts/run.sh --listen switches reception on).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUDPRECV_BUILD_TESTS=OFF >/dev/null
cmake --build build --target Tavo_UdpRecv

program_folder=build/src
settings="$program_folder/Config/Tavo_UdpRecvSetting.ini"
if [ ! -f "$settings" ]; then
  # A UDP port that no socket of this machine holds.
  port_in_use() {
    local hex
    hex=$(printf ':%04X ' "$1")
    grep -qi -- "$hex" /proc/net/udp /proc/net/udp6 2>/dev/null
  }
  port=47808
  while port_in_use "$port" && [ "$port" -lt 48808 ]; do port=$((port + 1)); done
  mkdir -p "$program_folder/Config"
  printf '[Port]\r\nUdpPort=%s\r\n\r\n[Maintenance]\r\nResSetting=1\r\nLogMaxSize=3\r\nLogGenerations=10\r\n' \
    "$port" >"$settings"
  echo "Sample settings written to $settings (echo mode)."
fi
# The port the examples in README.md send to.
port=$(awk -F= '{ sub(/\r$/, "") }
  /^[ \t]*\[/ { section = tolower($0); gsub(/[][ \t]/, "", section); next }
  section == "port" && tolower($1) ~ /^[ \t]*udpport[ \t]*$/ { sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t]+$/, ""); print; exit }' "$settings")
echo "Receive port: ${port:-none set} (UdpPort in $settings)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under a virtual X server (xvfb-run)."
  exec xvfb-run -a "$program_folder/Tavo_UdpRecv" "$@"
fi
exec "$program_folder/Tavo_UdpRecv" "$@"
