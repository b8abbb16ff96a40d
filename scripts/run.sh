#!/usr/bin/env bash
# Sets up, builds and opens the Tessera window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$here/build}
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MSG
Tessera is built ($build/tessera), but there is no display to open its window on:
neither DISPLAY nor WAYLAND_DISPLAY is set. Run it from a desktop session, or under
a virtual X server:

    xvfb-run -a scripts/run.sh
MSG
  exit 2
fi
exec "$build/tessera"
