#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, runs every test
# and checks the naming rule; then builds again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test once more.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUDPRECV_WERROR=ON \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build-ci -j "$jobs"
(cd build-ci && ctest --output-on-failure -j "$jobs")
# The naming rule of CONTRIBUTING.md.
scripts/check-names.sh build-ci

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DUDPRECV_WERROR=ON -DUDPRECV_SANITIZE=ON \
  -DUDPRECV_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:suppressions=$PWD/tests/asan.supp"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-asan && ctest --output-on-failure -j "$jobs")
