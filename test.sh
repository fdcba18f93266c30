#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite headless.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/build.sh
(
  export QT_QPA_PLATFORM=offscreen
  cd build
  ctest --output-on-failure --parallel "$(nproc)" --timeout 600
)
# The Windows build and its suites under Wine. Qt for Windows takes long to
# build: CI builds it when the cache lacks it; elsewhere, until the cache holds
# it (scripts/windows/qt.sh), only the parts without Qt are built and tested.
bash scripts/windows/test.sh
