#!/usr/bin/env bash
# Sets up, builds and runs every test, headless.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$here/build}
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"
