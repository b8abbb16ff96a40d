#!/usr/bin/env bash
# The window's boxes and dialogs in a real X session, as a desktop user meets
# them: Xvfb with a window manager (openbox), the program as built, keys typed
# with xdotool, the clipboard read with xclip.
#   - Ctrl+C in the box of a source that cannot be shown copies its message
#     (and the details), with the keyboard alone; Return closes it, exit code 1;
#   - a long path wraps: the box stays narrower than the screen, the path whole
#     in what was copied;
#   - the BitLocker dialog: Return on the focused "Schlüsseldatei wählen …"
#     opens the file dialog, and a password typed and Return opens the window;
#   - two disks named open a window each, the second in a Tessera of its own.
# Usage: desktop-session.sh PROGRAM IMAGES
set -euo pipefail
[ -z "${TESSERA_X_TRACE:-}" ] || set -x
program=$(realpath "$1") images=$(realpath "$2")
for tool in xvfb-run openbox xdotool xclip; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
if [ -z "${TESSERA_X_SESSION:-}" ]; then
  export TESSERA_X_SESSION=1
  unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
export HOME=$(mktemp -d) LC_ALL=C.UTF-8
# In a sanitizer build: libxkbcommon-x11 hands strndup a buffer without a NUL,
# which strict string checks report; that check stays on everywhere else.
[ -z "${ASAN_OPTIONS:-}" ] || export ASAN_OPTIONS="${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}"
openbox >/dev/null 2>&1 &
wm=$!
# A window mapped before the window manager runs may never be managed: wait for it.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
work=$(mktemp -d)
trap 'kill $wm 2>/dev/null || true; rm -rf "$HOME" "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The id of the first visible window whose name matches $1 (within 15 s).
window() {
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { sleep 0.3; echo "$id"; return 0; }
    sleep 0.1
  done
  echo "no window \"$1\"; the windows shown:" >&2
  xdotool search --onlyvisible --name . 2>/dev/null | while read -r w; do echo "  $(xdotool getwindowname "$w")" >&2; done
  return 1
}
# Waits for the program $1 to end; its exit code, or 124 after 15 s.
ended() {
  for _ in $(seq 150); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
    sleep 0.1
  done
  kill "$1"; return 124
}

# 1. A path that is not there: the box's text copied with Ctrl+C, the box closed with Return.
missing=$work/Abbilder/2026/win10.qcow2
"$program" "$missing" 2>"$work/err" & pid=$!
if id=$(window '^Tessera$'); then
  xdotool windowactivate --sync "$id" key ctrl+c
  sleep 0.3
  copied=$(xclip -o -selection clipboard 2>/dev/null || true)
  [[ $copied == *"„$missing“ gibt es nicht: schon der Ordner „$work/Abbilder“ fehlt."* ]] \
    || fail "Ctrl+C copied: $copied"
  [[ $copied != *$'\u200b'* ]] || fail "the copy holds the path's break opportunities"
  xdotool key Return
  code=0; ended $pid || code=$?
  [ $code -eq 1 ] || fail "the box's Return ended the program with $code, not 1"
else
  fail "no box for a missing file: $(cat "$work/err")"; kill $pid 2>/dev/null || true
fi

# 2. A long path wraps inside the box; the details come with the copy.
long=$work/$(printf 'Sicherungen_des_Kunden_Mueller_%.0s' 1 2 3)/$(printf 'Abbild-vom-Dezember-%.0s' 1 2 3)
mkdir -p "$long"
ln -s "$images/cut-in-hive.raw" "$long/laptop.raw"
"$program" "$long/laptop.raw" 2>/dev/null & pid=$!
if id=$(window '^Tessera$'); then
  width=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  [ "${width:-9999}" -lt 900 ] || fail "the box is $width pixels wide: the long path did not wrap"
  xdotool windowactivate --sync "$id" key ctrl+c
  sleep 0.3
  copied=$(xclip -o -selection clipboard 2>/dev/null || true)
  [[ $copied == *"„$long/laptop.raw“ (Rohabbild) enthält keine Windows-Installation"* ]] || fail "long path copied: $copied"
  [[ $copied == *$'\n\nEinzelheiten:\nThe Sleuth Kit: '* ]] || fail "the details were not copied: $copied"
  xdotool key Return
  ended $pid || true
else
  fail "no box for a cut-off disk"; kill $pid 2>/dev/null || true
fi

# 3. The BitLocker dialog with the keyboard alone.
if [ -f "$images/bitlocker-cbc.raw" ]; then
  "$program" "$images/bitlocker-cbc.raw" 2>/dev/null & pid=$!
  if id=$(window '^Tessera – BitLocker entsperren'); then
    # From the field: Tab to "Zeichen anzeigen", Tab to "Schlüsseldatei wählen …", Return.
    xdotool windowactivate --sync "$id" key Tab Tab Return
    if files=$(window '^Schlüsseldatei wählen'); then
      xdotool windowactivate --sync "$files" key Escape
    else
      fail "Return on the focused key file button opened no file dialog"
    fi
    sleep 0.3
    xdotool windowactivate --sync "$id" key shift+Tab shift+Tab
    xdotool type --delay 20 'password12!@'
    xdotool key Return
    window '^Tessera – bitlocker-cbc.raw, Partition ' >/dev/null || fail "the password typed did not open the window"
  else
    fail "no BitLocker dialog"
  fi
  kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true
else
  echo "SKIP: no BitLocker fixtures (../shared is not here)"
fi

# 4. Two disks named: a window each, the first in this Tessera, the second in another.
"$program" "$images/mbr-win2000.raw" "$images/win10.qcow2" 2>/dev/null & pid=$!
if window '^Tessera – mbr-win2000.raw, Partition 1' >/dev/null && window '^Tessera – win10.qcow2, Partition 3' >/dev/null; then
  second=$(xdotool search --onlyvisible --name '^Tessera – win10.qcow2' | head -n 1)
  [ "$(xdotool getwindowpid "$second" 2>/dev/null)" != "$pid" ] || fail "the second machine opened in the first Tessera"
  xdotool windowactivate --sync "$second" key Escape
else
  fail "two disks named did not open a window each"
fi
kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true

[ $failures -eq 0 ] && echo "desktop session: all cases passed"
exit $((failures > 0))
