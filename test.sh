#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite headless.
set -euo pipefail
cd "$(dirname "$0")"
root="$PWD"
bash scripts/install-deps.sh
bash scripts/build.sh
(
  export QT_QPA_PLATFORM=offscreen
  cd build
  ctest --output-on-failure --parallel "$(nproc)" --timeout 600
)

# --- Sanitizers and fuzzing, in CI (CI=true): they take a while ---------------
if [ "${CI:-}" = "true" ]; then
  bash "$root/scripts/sanitize.sh"
  bash "$root/scripts/fuzz.sh"
fi

# --- Windows: cross-built, its suites under Wine ------------------------------
# Builds Qt for Windows once into its cache when missing (see README, "Windows").
bash "$root/scripts/windows/test.sh"
