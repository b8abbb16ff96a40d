#!/usr/bin/env bash
# Builds the Debian package into a throw-away folder, checks its contents and
# fields, and starts the unpacked program headless.
# Usage: debian-package.sh <build dir> <version> [shipped: yes (default) | no, a sanitizer build]
set -euo pipefail
build=$1 version=$2 shipped=${3:-yes}
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

arch=$(dpkg --print-architecture)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 \
  || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$tmp/out/tessera_${version}-1_${arch}.deb"  # Debian revision 1
[ -f "$deb" ] || fail "no $deb; got: $(ls "$tmp/out")"

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort > "$tmp/have"
cat > "$tmp/want" <<LIST
./usr/bin/tessera
./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/tessera/tessera-window.so
./usr/share/applications/de.oxa.tessera.desktop
./usr/share/bash-completion/completions/tessera
./usr/share/doc/tessera/changelog.Debian.gz
./usr/share/doc/tessera/copyright
./usr/share/icons/hicolor/128x128/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/16x16/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/256x256/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/32x32/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/48x48/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/64x64/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/72x72/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/scalable/apps/de.oxa.tessera.svg
./usr/share/lintian/overrides/tessera
./usr/share/man/man1/tessera.1.gz
./usr/share/metainfo/de.oxa.tessera.metainfo.xml
./usr/share/mime/packages/de.oxa.tessera.xml
LIST
diff -u "$tmp/want" "$tmp/have" || fail "package files differ"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessera ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version-1" ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
field Depends | grep -q 'libqt6widgets6' || fail "Depends lacks libqt6widgets6: $(field Depends)"
[ "$(field Recommends)" = "fonts-wine, qt6-translations-l10n" ] || fail "Recommends: $(field Recommends)"

# The unpacked program must bring its window up: under a virtual X server,
# wait (at most ten seconds) until a mapped top-level window captioned
# "Tessera" exists, then end the program; it must not have written errors.
dpkg-deb -x "$deb" "$tmp/x"
mkdir -m 700 "$tmp/runtime"
cat > "$tmp/watch.sh" <<'WATCH'
"$1" 2>"$2" & pid=$!
for _ in $(seq 100); do
  if xwininfo -root -tree | grep -q '"Tessera"'; then
    if xwininfo -name Tessera | grep -q 'Map State: IsViewable'; then
      xprop -name Tessera WM_CLASS >"$3"
      kill "$pid"; wait "$pid"; exit 0
    fi
  fi
  kill -0 "$pid" 2>/dev/null || exit 2
  sleep 0.1
done
kill "$pid"; exit 1
WATCH
status=0
# In a sanitizer build: libxkbcommon-x11 hands strndup a buffer without a NUL,
# which strict string checks report; that check stays on everywhere else.
asan=${ASAN_OPTIONS:-}
export ASAN_OPTIONS=${asan:+$asan:}strict_string_checks=0
env -u TESSERA_REGISTRY -u QT_QPA_PLATFORM HOME="$tmp" XDG_RUNTIME_DIR="$tmp/runtime" \
  timeout 60 xvfb-run -a bash "$tmp/watch.sh" "$tmp/x/usr/bin/tessera" "$tmp/run.err" "$tmp/class" || status=$?
case $status in
  0) ;;
  1) fail "no Tessera window within ten seconds" ;;
  2) cat "$tmp/run.err" >&2; fail "tessera ended before its window came up" ;;
  *) cat "$tmp/run.err" >&2; fail "window check failed with status $status" ;;
esac
[ ! -s "$tmp/run.err" ] || { cat "$tmp/run.err" >&2; fail "tessera wrote errors"; }
# The shell ties the window to its desktop entry by the X11 class: WM_CLASS is
# "instance", "class"; the entry's StartupWMClass must be the class.
class=$(sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p' "$tmp/class")
wmclass=$(sed -n 's/^StartupWMClass=//p' "$tmp/x/usr/share/applications/de.oxa.tessera.desktop")
[ -n "$class" ] && [ "$class" = "$wmclass" ] || fail "the window's class \"$class\" is not the entry's StartupWMClass \"$wmclass\""

apt-get install --simulate "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; fail "dependencies do not resolve"; }
grep -q '^Inst tessera\|tessera is already' "$tmp/apt.log" || { cat "$tmp/apt.log" >&2; fail "apt would not install tessera"; }
# Debian's own review of the package: not one tag, not even informational or pedantic.
if [ "$shipped" != yes ]; then
  echo "a sanitizer build is not what ships: lintian's review was left out"
elif command -v lintian >/dev/null 2>&1; then
  lintian -I --pedantic "$deb" 2>&1 | grep -v '^running with root privileges is not recommended' >"$tmp/lintian.log" || true
  [ ! -s "$tmp/lintian.log" ] || { cat "$tmp/lintian.log" >&2; fail "lintian reports the package"; }
else
  echo "lintian is not installed: the package's review was skipped"
fi
echo "debian package ok"
