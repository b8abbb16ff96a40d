#!/usr/bin/env bash
# Chains of three over the benchmark's big disk (make_big_images.sh), one per
# format, and each format's disk alone: the base with two ranges of 4 MiB
# inside each hive overwritten, the middle with one of them put right, the top
# the disk itself, so that reading the hives goes through all three files.
# Usage: make_big_chains.sh IMAGES (holding disk.raw)
set -euo pipefail
images=$1
fixtures=$(cd "$(dirname "$0")/../tests/fixtures/images" && pwd)
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
raw="$images/disk.raw"
python3 - "$raw" "$work" <<'PY'
import os, sys
raw, work = sys.argv[1:3]
data = bytearray(open(raw, "rb").read())
hives, at = [], 104448 * 512
while (at := data.find(b"regf", at)) >= 0:
    if at % 4096 == 0:
        hives.append(at)
    at += 4
base = bytearray(data)
for hive in hives:
    for offset in (8 << 20, 16 << 20):
        base[hive + offset:hive + offset + (4 << 20)] = os.urandom(4 << 20)
mid = bytearray(data)
for hive in hives:
    mid[hive + (16 << 20):hive + (20 << 20)] = os.urandom(4 << 20)
open(os.path.join(work, "base.raw"), "wb").write(base)
open(os.path.join(work, "mid.raw"), "wb").write(mid)
PY
base="$work/base.raw" mid="$work/mid.raw"
mkdir -p "$images"/chains/{qcow2,vmdk,vhd,vhdx,vdi}
overlay() {  # overlay FORMAT PARENT_RAW RAW PARENT_IMAGE OUT
    (cd "$(dirname "$5")" && qemu-img create -q -f "$1" -b "$(basename "$4")" -F "$1" "$(basename "$5")")
    python3 "$fixtures/overlay.py" "$1" "$2" "$3" "$5"
}
for f in qcow2 vmdk; do
    qemu-img convert -f raw -O $f "$base" "$images/chains/$f/base.$f"
    overlay $f "$base" "$mid" "$images/chains/$f/base.$f" "$images/chains/$f/mid.$f"
    overlay $f "$mid" "$raw" "$images/chains/$f/mid.$f" "$images/chains/$f/top.$f"
done
qemu-img convert -f raw -O vpc -o subformat=dynamic,force_size=on "$base" "$images/chains/vhd/base.vhd"
python3 "$fixtures/vhd.py" diff "$base" "$mid" "$images/chains/vhd/base.vhd" "$images/chains/vhd/mid.vhd"
python3 "$fixtures/vhd.py" diff "$mid" "$raw" "$images/chains/vhd/mid.vhd" "$images/chains/vhd/top.vhd"
qemu-img convert -f raw -O vhdx "$base" "$images/chains/vhdx/base.vhdx"
python3 "$fixtures/vhdx.py" "$base" "$mid" "$images/chains/vhdx/base.vhdx" "$images/chains/vhdx/mid.avhdx"
python3 "$fixtures/vhdx.py" "$mid" "$raw" "$images/chains/vhdx/mid.avhdx" "$images/chains/vhdx/top.avhdx"
python3 "$fixtures/vdi.py" dynamic "$base" "$images/chains/vdi/base.vdi"
python3 "$fixtures/vdi.py" diff "$base" "$mid" "$images/chains/vdi/base.vdi" "$images/chains/vdi/mid.vdi"
python3 "$fixtures/vdi.py" diff "$mid" "$raw" "$images/chains/vdi/mid.vdi" "$images/chains/vdi/top.vdi"
# Each format's disk alone, as its chain's top would be flattened.
qemu-img convert -f raw -O vmdk "$raw" "$images/disk.vmdk"
qemu-img convert -f raw -O vpc -o subformat=dynamic,force_size=on "$raw" "$images/disk.vhd"
python3 "$fixtures/vdi.py" dynamic "$raw" "$images/disk.vdi"
ls -la "$images" "$images"/chains/*
