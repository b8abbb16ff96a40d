#!/usr/bin/env bash
# Redraws the window icon and the header GIF in src/window/resources/ from the
# drawing in make-pictures.py. Needs python3 (Debian: python3, standard library
# only); the build itself only uses the committed outputs.
set -euo pipefail
exec python3 "$(dirname "$0")/make-pictures.py"
