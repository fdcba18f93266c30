#!/usr/bin/env bash
# Installs what is missing, builds, and starts Movarin in its install folder.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/build.sh
cd build/stage
exec ./movarin
