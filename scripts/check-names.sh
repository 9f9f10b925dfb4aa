#!/usr/bin/env bash
# Checks the naming rule (CONTRIBUTING.md, "Names") with clang-tidy over
# every source file of the program, its tests and its benchmark. The build
# folder (default build-ci) must be configured with
# CMAKE_EXPORT_COMPILE_COMMANDS=ON and built, so that the generated
# meta-object files exist.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-ci}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "check-names: $build/compile_commands.json is missing; configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
  exit 2
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if run-clang-tidy -quiet -p "$build" -j "$(nproc)" "$PWD/(src|tests|bench)/.*\.cpp$" >"$log" 2>&1; then
  echo "check-names: every name follows the rule"
else
  # clang-tidy repeats a header's finding for every file that includes it.
  grep -E 'error:|warning:' "$log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u >&2
  echo "check-names: names break the rule (see CONTRIBUTING.md, \"Names\")" >&2
  exit 1
fi
