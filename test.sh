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
# The Windows build and its suites under Wine: the parts without Qt unless
# MOVARIN_WINDOWS_MODE=full asks for everything (see README, "Windows").
bash scripts/windows/test.sh
