#!/usr/bin/env bash
# Renders the window offscreen into docs/: window.png (Info, as at start), one
# picture per other page, and window-dark.png (Info under a dark desktop
# scheme). Pass TESSERA_REGISTRY to show a fixed registry.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$here/build}
"$here/scripts/build.sh" --target render_window
QT_QPA_PLATFORM=offscreen "$build/render_window" "$here/docs"
QT_QPA_PLATFORM=offscreen "$build/render_window" "$here/docs" --dark
