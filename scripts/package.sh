#!/usr/bin/env bash
# Installs what is missing, builds the program alone (Release, in build-deb)
# and makes its Debian package there with CPack. Prints the package's path;
# install it with: sudo apt install ./build-deb/tavo-udprecv_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DUDPRECV_WERROR=ON -DUDPRECV_BUILD_TESTS=OFF \
  -DUDPRECV_BUILD_BENCH=OFF >/dev/null
cmake --build build-deb
(cd build-deb && cpack >/dev/null)
ls "$PWD"/build-deb/tavo-udprecv_*.deb
