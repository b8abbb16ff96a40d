#!/usr/bin/env bash
# Configures and builds Tessera into build/ (or $TESSERA_BUILD_DIR); arguments
# go to the build step (e.g. --target render_window).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"
