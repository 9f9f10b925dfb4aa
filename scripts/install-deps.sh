#!/usr/bin/env bash
# Installs what building, running and testing need on Debian (apt-get, as
# root or through sudo). Does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-ipafont-gothic fonts-noto-cjk
  xvfb xauth x11-apps imagemagick
  # Validate the installed desktop entry and metainfo; make the Debian package.
  desktop-file-utils appstream dpkg-dev
  # systemd-analyze checks the service unit (present on nearly every Debian system).
  systemd
  # Checks the naming rule (scripts/check-names.sh).
  clang-tidy
  # Decodes the capture file in its test (about 120 MB installed with its
  # libraries; the test is skipped where it is missing).
  tshark
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

# promtool checks the metrics text and the example configuration; a real
# Prometheus server scrapes the program in tst_fleet (skipped where missing).
# Installed, Debian's prometheus package would also start a server on port
# 9090 of every address: its two programs are unpacked from it into
# .deps/prometheus instead, where tst_fleet looks for them first.
prometheus_dir="$(cd "$(dirname "$0")/.." && pwd)/.deps/prometheus"
if [ ! -x "$prometheus_dir/usr/bin/promtool" ] || [ ! -x "$prometheus_dir/usr/bin/prometheus" ]; then
  download=$(mktemp -d)
  if (cd "$download" && { apt-get download prometheus 2>/dev/null ||
        { "${sudo_cmd[@]}" apt-get update -qq && apt-get download prometheus 2>/dev/null; }; }) >/dev/null; then
    rm -rf "$prometheus_dir"
    mkdir -p "$prometheus_dir"
    dpkg-deb -x "$download"/prometheus_*.deb "$prometheus_dir"
  else
    echo "prometheus could not be downloaded: tst_fleet skips what needs it" >&2
  fi
  rm -rf "$download"
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
