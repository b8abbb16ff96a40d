#!/usr/bin/env bash
# Installs the build into a throw-away DESTDIR and checks what lands there.
# Usage: installed-tree.sh <build dir> <version>
set -euo pipefail
build=$1 version=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$tmp/root" cmake --install "$build" --prefix /opt/tessera >/dev/null
root="$tmp/root/opt/tessera"
(cd "$root" && find . -type f | sort) > "$tmp/have"
cat > "$tmp/want" <<LIST
./bin/tessera
./lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/tessera/tessera-window.so
./share/applications/de.oxa.tessera.desktop
./share/bash-completion/completions/tessera
./share/doc/tessera/changelog.Debian.gz
./share/doc/tessera/copyright
./share/icons/hicolor/128x128/apps/de.oxa.tessera.png
./share/icons/hicolor/16x16/apps/de.oxa.tessera.png
./share/icons/hicolor/256x256/apps/de.oxa.tessera.png
./share/icons/hicolor/32x32/apps/de.oxa.tessera.png
./share/icons/hicolor/48x48/apps/de.oxa.tessera.png
./share/icons/hicolor/64x64/apps/de.oxa.tessera.png
./share/icons/hicolor/72x72/apps/de.oxa.tessera.png
./share/icons/hicolor/scalable/apps/de.oxa.tessera.svg
./share/lintian/overrides/tessera
./share/man/man1/tessera.1.gz
./share/metainfo/de.oxa.tessera.metainfo.xml
./share/mime/packages/de.oxa.tessera.xml
LIST
diff -u "$tmp/want" "$tmp/have" || fail "installed files differ"
[ -x "$root/bin/tessera" ] || fail "tessera is not executable"
# The program finds its window module where it was installed: with a display
# that cannot be reached it gets as far as the toolkit (2), not "incomplete" (1).
status=0
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4711 "$root/bin/tessera" 2>"$tmp/window.err" || status=$?
[ "$status" = 2 ] && grep -q 'die Anzeige ist nicht erreichbar' "$tmp/window.err" \
  || { cat "$tmp/window.err" >&2; fail "the installed program does not load its window module (status $status)"; }

desktop-file-validate "$root/share/applications/de.oxa.tessera.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/de.oxa.tessera.metainfo.xml" || fail "metainfo"
grep -q "<release version=\"$version\"" "$root/share/metainfo/de.oxa.tessera.metainfo.xml" \
  || fail "metainfo lacks release $version"
# One window per file: files chosen together are not mixed into one machine.
grep -q '^Exec=tessera %f$' "$root/share/applications/de.oxa.tessera.desktop" || fail "the desktop entry does not pass one file"

# AppStream's catalogue keeps the component and its icon (it drops one without a 128 px or scalable icon).
mkdir -p "$tmp/compose-in/usr" && cp -r "$root/share" "$tmp/compose-in/usr/"
appstreamcli compose --no-net --origin=tessera --result-root="$tmp/compose" "$tmp/compose-in" >"$tmp/compose.log" 2>&1 \
  || { cat "$tmp/compose.log" >&2; fail "appstreamcli compose"; }
catalog=$(find "$tmp/compose" -name 'tessera.xml.gz' | head -n 1)
[ -n "$catalog" ] || { cat "$tmp/compose.log" >&2; fail "appstreamcli compose made no catalogue"; }
zcat "$catalog" | grep -q '<id>de.oxa.tessera</id>' || { cat "$tmp/compose.log" >&2; fail "the catalogue lacks Tessera"; }
zcat "$catalog" | grep -q '<icon type="cached"' || { cat "$tmp/compose.log" >&2; fail "the catalogue dropped the icon"; }
! grep -qi 'icon-not-found\|error' "$tmp/compose.log" || { cat "$tmp/compose.log" >&2; fail "appstreamcli compose reports a problem"; }

# The file types: files told by their content, with the system's types and Tessera's merged.
mime=$tmp/mime
mkdir -p "$mime/mime/packages" "$tmp/types"
cp /usr/share/mime/packages/freedesktop.org.xml "$root/share/mime/packages/de.oxa.tessera.xml" "$mime/mime/packages/"
update-mime-database "$mime/mime" >"$tmp/mime.log" 2>&1 || { cat "$tmp/mime.log" >&2; fail "update-mime-database"; }
typed() { XDG_DATA_DIRS=$mime XDG_DATA_HOME=$tmp/nohome gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
printf 'regf' > "$tmp/types/SYSTEM"; truncate -s 4096 "$tmp/types/SYSTEM"
printf 'EVF\x09\x0d\x0a\xff\x00' > "$tmp/types/laptop.E01"; truncate -s 512 "$tmp/types/laptop.E01"
printf '<<< Tessera Disk Image >>>\n' > "$tmp/types/disk.bin"; truncate -s 512 "$tmp/types/disk.bin"
printf '\x7f\x10\xda\xbe' | dd of="$tmp/types/disk.bin" bs=1 seek=64 conv=notrunc status=none
printf '<?xml version="1.0"?>\n<VirtualBox xmlns="http://www.virtualbox.org/" version="1.19-linux">\n</VirtualBox>\n' > "$tmp/types/Win10.vbox"
printf '.encoding = "UTF-8"\nconfig.version = "8"\nvirtualHW.version = "19"\n' > "$tmp/types/Win10.vmx"
for pair in SYSTEM:application/x-windows-registry-hive laptop.E01:application/x-ewf-image \
            disk.bin:application/x-vdi-disk Win10.vbox:application/x-virtualbox-vbox Win10.vmx:application/x-vmware-vm; do
  file=${pair%%:*} want=${pair#*:}
  got=$(typed "$tmp/types/$file")
  [ "$got" = "$want" ] || fail "$file is typed $got, not $want"
  grep -q "^MimeType=.*$want;" "$root/share/applications/de.oxa.tessera.desktop" || fail "the desktop entry does not list $want"
  grep -q "<mediatype>$want</mediatype>" "$root/share/metainfo/de.oxa.tessera.metainfo.xml" || fail "the metainfo does not provide $want"
done
# Raw disks, told by what they begin with; whatever their name, and .raw
# beside the camera photo of that name. A plain binary stays what it was.
python3 - "$tmp/types" <<'PY'
import os, sys
at = sys.argv[1]
def disk(name, offset, data, size=4096):
    b = bytearray(size)
    for o, d in zip(offset, data): b[o:o + len(d)] = d
    open(os.path.join(at, name), "wb").write(b)
disk("disk.raw", [512, 510], [b"EFI PART", b"\x55\xaa"])
disk("laptop.dd", [3], [b"NTFS    "])
disk("stick.001", [510, 466], [b"\x55\xaa", b"\x07"])
disk("platte.bin", [510, 450], [b"\x55\xaa", b"\x27"])
disk("linux.img.bin", [510, 450], [b"\x55\xaa", b"\x83"])  # a Linux partition: no Windows disk
open(os.path.join(at, "zufall.bin"), "wb").write(os.urandom(4096))
disk("foto.raw", [0], [b"IIU\x00\x08\x00\x00\x00"])
PY
for pair in disk.raw:application/x-raw-disk-image laptop.dd:application/x-raw-disk-image \
            stick.001:application/x-raw-disk-image platte.bin:application/x-raw-disk-image \
            linux.img.bin:application/octet-stream zufall.bin:application/octet-stream foto.raw:image/x-panasonic-rw; do
  file=${pair%%:*} want=${pair#*:}
  got=$(typed "$tmp/types/$file")
  [ "$got" = "$want" ] || fail "$file is typed $got, not $want"
done

# Folders: "Open with" offers Tessera, and the default stays the file manager
# that the desktop names in its list of defaults (a stand-in here).
apps=$tmp/apps
mkdir -p "$apps/applications" "$tmp/bin" "$tmp/config"
cp "$root/share/applications/de.oxa.tessera.desktop" "$apps/applications/"
printf '[Desktop Entry]\nType=Application\nName=Dateien\nExec=true %%U\nMimeType=inode/directory;\n' \
  > "$apps/applications/org.example.Files.desktop"
printf '[Default Applications]\ninode/directory=org.example.Files.desktop\n' > "$apps/applications/example-mimeapps.list"
update-desktop-database "$apps/applications"
printf '#!/bin/sh\nexit 0\n' > "$tmp/bin/tessera" && chmod +x "$tmp/bin/tessera"  # the entry's program, as installed
folders=$(PATH=$tmp/bin:$PATH XDG_CURRENT_DESKTOP=example XDG_DATA_DIRS=$apps:$mime XDG_DATA_HOME=$tmp/nohome \
          XDG_CONFIG_HOME=$tmp/config XDG_CONFIG_DIRS=$tmp/config gio mime inode/directory)
echo "$folders" | grep -q '^Default application for “inode/directory”: org.example.Files.desktop' \
  || fail "Tessera took the default for folders: $folders"
echo "$folders" | sed -n '/^Registered applications:/,/^[^\t]/p' | grep -q 'de.oxa.tessera.desktop' \
  || fail "Tessera is not offered for folders: $folders"

# Tessera lists .reg files but makes itself the default for nothing.
[ ! -e "$root/share/applications/mimeapps.list" ] || fail "the package sets default applications"

# The manual page formats without a warning and names this version.
man=$root/share/man/man1/tessera.1.gz
warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 "$man" 2>&1 >/dev/null) || fail "man cannot format $man"
[ -z "$warnings" ] || fail "manual page: $warnings"
zcat "$man" | grep -q "\"Tessera $version\"" || fail "manual page is not of version $version"

# The completion offers the options, and only one of the three outputs.
completion=$root/share/bash-completion/completions/tessera
complete_words() {  # the words completed for the command line "$@", the last one being completed
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tessera; printf "%s\n" "${COMPREPLY[@]}"' \
    complete "$completion" "$@"
}
[ "$(complete_words tessera --b)" = "--bericht" ] || fail "completion of --b"
[ "$(complete_words tessera --json --)" = $'--schluessel\n--help\n--version\n--' ] || fail "completion after --json"
[ "$(complete_words tessera --schluessel "$root/share/bash-completion/completions/te")" = "$completion" ] \
  || fail "completion of a key file"
[ "$(complete_words tessera "$root/share/bash-completion/completions/te")" = "$completion" ] \
  || fail "completion of a file name"

# Every icon is a PNG whose IHDR size matches the folder it sits in.
for dir in "$root"/share/icons/hicolor/*x*; do
  n=${dir##*/}; n=${n%%x*}
  png="$dir/apps/de.oxa.tessera.png"
  sig=$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')
  [ "$sig" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  w=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
  h=$((16#$(od -An -tx1 -j20 -N4 "$png" | tr -d ' \n')))
  [ "$w" = "$n" ] && [ "$h" = "$n" ] || fail "$png is ${w}x${h}, folder says ${n}x${n}"
  grep -q "^\[${n}x${n}/apps\]" /usr/share/icons/hicolor/index.theme || fail "hicolor has no ${n}x${n}/apps"
done
echo "installed tree ok"
