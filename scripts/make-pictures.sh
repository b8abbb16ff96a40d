#!/usr/bin/env bash
# Redraws the window icon and the header GIF in src/window/resources/, and the
# package's 128 and 256 px icons and the scalable SVG icon in packaging/icons/,
# from the drawing in make-pictures.py. Needs python3 (Debian: python3, standard
# library only); the build itself only uses the committed outputs.
set -euo pipefail
exec python3 "$(dirname "$0")/make-pictures.py"
