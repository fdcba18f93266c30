#!/usr/bin/env bash
# Builds the Debian package build/package/movarin_<version>_<arch>.deb from a
# fresh build (installs what is missing first). Install it with
#   sudo apt-get install ./build/package/movarin_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
cpack -G DEB
ls -l package/movarin_*.deb
