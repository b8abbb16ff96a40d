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
./usr/share/applications/de.oxa.tessera.desktop
./usr/share/icons/hicolor/16x16/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/32x32/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/48x48/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/64x64/apps/de.oxa.tessera.png
./usr/share/icons/hicolor/72x72/apps/de.oxa.tessera.png
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

# The unpacked program must bring its window up and stay running without
# complaint; timeout ends it (status 124) after five seconds.
dpkg-deb -x "$deb" "$tmp/x"
status=0
mkdir -m 700 "$tmp/runtime"
env -u TESSERA_REGISTRY QT_QPA_PLATFORM=offscreen HOME="$tmp" XDG_RUNTIME_DIR="$tmp/runtime" \
  timeout 5 "$tmp/x/usr/bin/tessera" >"$tmp/run.out" 2>"$tmp/run.err" || status=$?
[ "$status" = 124 ] || { cat "$tmp/run.err" >&2; fail "tessera ended early with status $status"; }
[ ! -s "$tmp/run.err" ] || { cat "$tmp/run.err" >&2; fail "tessera wrote errors"; }

apt-get install --simulate "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; fail "dependencies do not resolve"; }
grep -q '^Inst tessera\|tessera is already' "$tmp/apt.log" || { cat "$tmp/apt.log" >&2; fail "apt would not install tessera"; }
echo "debian package ok"
