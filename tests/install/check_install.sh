#!/usr/bin/env bash
# Installs a build into a temporary prefix, checks that the program, its
# desktop entry, metainfo and icons are where desktops look for them and
# that the service unit starts the installed program, and validates the
# entry, the metainfo and the unit.
# Usage: check_install.sh <build folder> <desktop id> <version> <icon sizes...>
# Exits 77 (skipped) after the tree checks when a validator is missing.
set -euo pipefail

build=${1:?build folder}
id=${2:?desktop id}
version=${3:?version}
shift 3
sizes=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; exit 1; }

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

share=$prefix/share
desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
unit=$prefix/lib/systemd/system/tavo-udprecv.service
[ -x "$prefix/bin/Tavo_UdpRecv" ] || fail "bin/Tavo_UdpRecv is not an installed executable"
[ -f "$desktop" ] || fail "no desktop entry $desktop"
[ -f "$metainfo" ] || fail "no metainfo $metainfo"
[ -f "$share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
[ -f "$unit" ] || fail "no service unit $unit"

# Every PNG is as large as the folder it is in says (width and height from its header).
for size in "${sizes[@]}"; do
  png=$share/icons/hicolor/${size}x${size}/apps/$id.png
  if [ ! -f "$png" ]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$width x $height" = "$size x $size" ] || fail "${size}x${size} icon is ${width}x${height}"
done

# The entry starts what was installed, shows the installed icon; the metainfo names the entry and this release.
[ "$(sed -n 's/^Exec=//p' "$desktop" 2>/dev/null)" = "Tavo_UdpRecv" ] || fail "Exec is not the bare program"
[ "$(sed -n 's/^Icon=//p' "$desktop" 2>/dev/null)" = "$id" ] || fail "Icon is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" 2>/dev/null ||
  fail "metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" 2>/dev/null || fail "metainfo has no release $version"
# The unit runs the installed program headless and tells when it is ready.
[ "$(sed -n 's/^ExecStart=//p' "$unit" 2>/dev/null)" = "$prefix/bin/Tavo_UdpRecv --headless" ] ||
  fail "the unit does not start $prefix/bin/Tavo_UdpRecv --headless"
grep -qx "Type=notify" "$unit" 2>/dev/null || fail "the unit is not Type=notify"

if [ "$failures" -gt 0 ]; then
  exit 1
fi

missing=0
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate is not installed (scripts/install-deps.sh installs it)"
  missing=1
fi
if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net --pedantic --explain "$metainfo" || fail "appstreamcli validate"
else
  echo "appstreamcli is not installed (scripts/install-deps.sh installs it)"
  missing=1
fi
if command -v systemd-analyze >/dev/null 2>&1; then
  # It prints what it finds wrong (an unknown key, a missing program) and may still succeed.
  verified=$(systemd-analyze verify "$unit" 2>&1) || fail "systemd-analyze verify"
  if grep "tavo-udprecv" <<<"$verified"; then
    fail "systemd-analyze verify finds fault with the unit"
  fi
else
  echo "systemd-analyze is not installed (scripts/install-deps.sh installs it)"
  missing=1
fi
[ "$failures" -eq 0 ] || exit 1
if [ "$missing" -ne 0 ]; then
  echo "SKIP: a validator is missing"
  exit 77
fi
echo "install tree of $id $version is complete and valid"
