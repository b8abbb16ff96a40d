#!/usr/bin/env python3
"""Writes the fuzz_bitlocker seed: a 48 KiB BitLocker volume laid out as
Windows lays one out, with made-up bytes: the boot sector with its identifier
and the three metadata offsets; each metadata copy with its block header, its
metadata header (AES-XTS 128) and entries (a description, a volume master key
protected by a clear key, the wrapped volume key); the NTFS boot sector moved
to the volume header offset.
Usage: make_bitlocker_seed.py OUT"""
import struct
import sys

size = 48 * 1024
vol = bytearray(size)
vol[0:11] = b'\xebX\x90-FVE-FS-'
struct.pack_into('<HB', vol, 0x0B, 512, 8)  # bytes per sector, sectors per cluster
vol[0xA0:0xB0] = bytes.fromhex('3bd66749292ed84a8399f6a339e3d001')
areas = [0x4000, 0x6000, 0x8000]
for i, a in enumerate(areas):
    struct.pack_into('<Q', vol, 0xB0 + 8 * i, a)
vol[510:512] = b'\x55\xaa'


def entry(kind, vtype, value):
    return struct.pack('<HHHH', 8 + len(value), kind, vtype, 1) + value


desc = entry(7, 2, 'SEED-PC C: 1/1/2026'.encode('utf-16le'))
key = entry(0, 1, struct.pack('<I', 0x2000) + bytes(range(32)))
ccm = entry(0, 5, bytes(12) + bytes(16) + bytes(44))
vmk = entry(2, 8, bytes(16) + bytes(8) + struct.pack('<HH', 0, 0) + key + ccm)
fvek = entry(3, 5, bytes(12) + bytes(16) + bytes(44))
entries = desc + vmk + fvek
meta = (struct.pack('<IIII', 48 + len(entries), 1, 48, 48 + len(entries)) + bytes(16)
        + struct.pack('<IIQ', 0, 0x8004, 0) + entries)
for a in areas:
    block = (b'-FVE-FS-' + struct.pack('<HHHHQII', 0x40, 2, 4, 4, size, 0, 16)
             + struct.pack('<QQQQ', *areas, 0x2000))
    vol[a:a + len(block) + len(meta)] = block + meta
vol[0x2000:0x2000 + 11] = b'\xebR\x90NTFS    '
with open(sys.argv[1], 'wb') as f:
    f.write(vol)
