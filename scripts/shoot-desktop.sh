#!/usr/bin/env bash
# Photographs the window and its dialogs as a desktop user sees them, into
# docs/desktop/: a real X session (Xvfb with openbox), the program as
# installed runs it, keys typed with xdotool. Uses the disk images the tests
# make (run scripts/test.sh first); the BitLocker dialog needs them from the
# real volumes beside the repository.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_BUILD_DIR:-$here/build}
images=$build/tests/images
out=$here/docs/desktop
for tool in xvfb-run openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "shoot-desktop: $tool fehlt" >&2; exit 1; }
done
[ -f "$images/two-windows.raw" ] || { echo "shoot-desktop: erst scripts/test.sh (die Abbilder fehlen)" >&2; exit 1; }
mkdir -p "$out"

if [ -z "${SHOOTING:-}" ]; then
  export SHOOTING=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

openbox >/dev/null 2>&1 &
sleep 1
export HOME=$(mktemp -d) LC_ALL=C.UTF-8
trap 'rm -rf "$HOME"' EXIT

# The id of the first visible window whose name begins with $1 (within 15 s).
window() {
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { sleep 0.5; echo "$id"; return 0; }
    sleep 0.1
  done
  echo "shoot-desktop: kein Fenster „$1“" >&2
  return 1
}
shoot() { import -frame -window "$1" "$out/$2"; echo "$out/$2"; }

# Several installations: the list, then the second chosen by keyboard, and the window.
"$build/tessera" "$images/two-windows.raw" & pid=$!
id=$(window "Tessera – Windows-Installation")
shoot "$id" installations.png
xdotool windowactivate --sync "$id" key Down Return
id=$(window "Tessera – two-windows.raw")
shoot "$id" window.png
kill $pid; wait $pid 2>/dev/null || true

# The same list under a dark desktop scheme.
QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark "$build/tessera" "$images/two-windows.raw" & pid=$!
id=$(window "Tessera – Windows-Installation")
shoot "$id" installations-dark.png
kill $pid; wait $pid 2>/dev/null || true

# A BitLocker volume: a wrong password is told in the same dialog.
if [ -f "$images/bitlocker-cbc.raw" ]; then
  "$build/tessera" "$images/bitlocker-cbc.raw" & pid=$!
  id=$(window "Tessera – BitLocker")
  xdotool windowactivate --sync "$id" type "falsches-kennwort"
  xdotool key Return
  sleep 1
  shoot "$id" bitlocker.png
  kill $pid; wait $pid 2>/dev/null || true
fi

# A snapshot without its parent.
"$build/tessera" "$images/broken/missing/top.vhd" & pid=$!
id=$(window "Tessera – Basisabbild fehlt")
shoot "$id" parent.png
kill $pid; wait $pid 2>/dev/null || true

# A disk without Windows: the message to copy, then the program ends.
"$build/tessera" "$images/no-windows.raw" & pid=$!
id=$(window "Tessera$")
shoot "$id" failure.png
kill $pid; wait $pid 2>/dev/null || true
