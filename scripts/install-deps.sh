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
  # promtool checks the metrics text and the example configuration; a real
  # Prometheus server scrapes the program in tst_fleet (skipped where missing).
  prometheus
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
