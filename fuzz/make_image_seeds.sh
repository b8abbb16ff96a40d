#!/usr/bin/env bash
# Makes the fuzz_image seeds of differencing images with their parents, in the
# two-file layout the target reads ("TSCH", the child's length, the child, the
# parent): qcow2, VMDK and VDI (64 KiB blocks, to keep it small) over the
# image fixtures' small.raw, the child with a few bytes of a hive changed.
# Usage: make_image_seeds.sh SMALL_RAW CORPUS_FOLDER
set -euo pipefail
small=$1 corpus=$2
images=$(cd "$(dirname "$0")/../tests/fixtures/images" && pwd)
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$small" a.raw && cp "$small" b.raw
python3 - <<'PY'
with open("b.raw", "r+b") as f:
    disk = f.read()
    f.seek(disk.index(b"regf", 20480) + 4096 + 100)
    f.write(b"TESSERA-SEED")
PY
qemu-img convert -f raw -O qcow2 a.raw base.qcow2
qemu-img create -q -f qcow2 -b base.qcow2 -F qcow2 top.qcow2 && python3 "$images/overlay.py" qcow2 a.raw b.raw top.qcow2
qemu-img convert -f raw -O vmdk a.raw base.vmdk
qemu-img create -q -f vmdk -b base.vmdk -F vmdk top.vmdk && python3 "$images/overlay.py" vmdk a.raw b.raw top.vmdk
python3 "$images/vdi.py" dynamic a.raw base.vdi --block 65536
python3 "$images/vdi.py" diff a.raw b.raw base.vdi top.vdi --block 65536
for format in qcow2 vmdk vdi; do
    python3 - "top.$format" "base.$format" "$corpus/chain-$format" <<'PY'
import struct, sys
child, parent, out = sys.argv[1:4]
c, p = open(child, "rb").read(), open(parent, "rb").read()
open(out, "wb").write(b"TSCH" + struct.pack("<I", len(c)) + c + p)
PY
done
ls -la "$corpus"/chain-*
