#!/usr/bin/env bash
# Builds the Debian package into a throw-away folder, checks its contents and
# fields, and starts the unpacked program headless.
# Usage: debian-package.sh <build dir> <version>
set -euo pipefail
build=$1 version=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

arch=$(dpkg --print-architecture)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 \
  || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$tmp/out/tessera_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $deb; got: $(ls "$tmp/out")"

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort > "$tmp/have"
cat > "$tmp/want" <<LIST
./usr/bin/tessera
./usr/lib/tessera/tessera-window.so
./usr/share/applications/de.oxa.tessera.desktop
./usr/share/bash-completion/completions/tessera
./usr/share/icons/hicolor/16x16/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/32x32/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/48x48/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/64x64/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/72x72/apps/de.oxa.tessera.png
./usr/share/man/man1/tessera.1.gz
./usr/share/metainfo/de.oxa.tessera.metainfo.xml
LIST
diff -u "$tmp/want" "$tmp/have" || fail "package files differ"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessera ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
field Depends | grep -q 'libqt6widgets6' || fail "Depends lacks libqt6widgets6: $(field Depends)"
[ "$(field Recommends)" = fonts-wine ] || fail "Recommends: $(field Recommends)"

# The unpacked program must bring its window up: under a virtual X server,
# wait (at most ten seconds) until a mapped top-level window captioned
# "Tessera" exists, then end the program; it must not have written errors.
dpkg-deb -x "$deb" "$tmp/x"
mkdir -m 700 "$tmp/runtime"
cat > "$tmp/watch.sh" <<'WATCH'
"$1" 2>"$2" & pid=$!
for _ in $(seq 100); do
  if xwininfo -root -tree | grep -q '"Tessera"'; then
    xwininfo -name Tessera | grep -q 'Map State: IsViewable' && { kill "$pid"; wait "$pid"; exit 0; }
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
  timeout 60 xvfb-run -a bash "$tmp/watch.sh" "$tmp/x/usr/bin/tessera" "$tmp/run.err" || status=$?
case $status in
  0) ;;
  1) fail "no Tessera window within ten seconds" ;;
  2) cat "$tmp/run.err" >&2; fail "tessera ended before its window came up" ;;
  *) cat "$tmp/run.err" >&2; fail "window check failed with status $status" ;;
esac
[ ! -s "$tmp/run.err" ] || { cat "$tmp/run.err" >&2; fail "tessera wrote errors"; }

apt-get install --simulate "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; fail "dependencies do not resolve"; }
grep -q '^Inst tessera\|tessera is already' "$tmp/apt.log" || { cat "$tmp/apt.log" >&2; fail "apt would not install tessera"; }
echo "debian package ok"
