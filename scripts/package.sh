#!/usr/bin/env bash
# Builds the Debian package of the program: installs what is missing, builds
# build/ (the folder of scripts/run.sh and scripts/test.sh) and runs cpack
# there. Prints the package's path, e.g. build/mouse-driver_1.0_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
rm -f build/mouse-driver_*.deb
(cd build && cpack -G DEB >cpack.log) || { cat build/cpack.log >&2; exit 1; }
ls build/mouse-driver_*.deb
