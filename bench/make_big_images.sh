#!/usr/bin/env bash
# Puts the benchmark's big hives (bench/make_big_hives.py), with SAM and a
# user's NTUSER.DAT, on a Windows disk as
# it installs on GPT, the NTFS partition made with mkntfs and filled with
# ntfs_put, and converts the raw disk to qcow2, VHDX and E01 (compressed and
# stored).
# Usage: make_big_images.sh HIVES_FOLDER OUT NTFS_PUT
set -euo pipefail
hives=$1 out=$2 put=$3
mkdir -p "$out"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
truncate -s 160M "$work/windows"
mkntfs -F -q -Q -L Windows "$work/windows" >/dev/null 2>&1
mkdir -p "$work/tree/Windows/System32"
cp -r "$hives/Windows/System32/config" "$work/tree/Windows/System32/"
cp -r "$hives/Users" "$work/tree/"
# What other inspectors look for besides the hives to call a folder Windows'
# own, and to tell its architecture: cmd.exe, here the bare headers of a
# 64-bit console program.
python3 - "$work/tree/Windows/System32/cmd.exe" <<'PE'
import struct, sys
pe = bytearray(512)
pe[0:2] = b"MZ"
struct.pack_into("<I", pe, 0x3C, 0x40)  # where the PE header lies
pe[0x40:0x44] = b"PE\0\0"
struct.pack_into("<HHIIIHH", pe, 0x44, 0x8664, 0, 0, 0, 0, 0xF0, 0x22)  # x86-64, an optional header follows
struct.pack_into("<H", pe, 0x58, 0x20B)  # PE32+
struct.pack_into("<H", pe, 0x58 + 68, 3)  # the console subsystem
open(sys.argv[1], "wb").write(pe)
PE
"$put" "$work/windows" "$work/tree"
truncate -s 216M "$out/disk.raw"
sfdisk -q --no-reread --no-tell-kernel "$out/disk.raw" >/dev/null <<TABLE
label: gpt
start=2048, size=69632, type=C12A7328-F81F-11D2-BA4B-00A0C93EC93B, name="EFI system partition"
start=71680, size=32768, type=E3C9E316-0B5C-4DB8-817D-F92DF00215AE, name="Microsoft reserved partition"
start=104448, size=327680, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7, name="Basic data partition"
TABLE
dd if="$work/windows" of="$out/disk.raw" bs=512 seek=104448 conv=notrunc,sparse status=none
qemu-img convert -f raw -O qcow2 "$out/disk.raw" "$out/disk.qcow2"
qemu-img convert -f raw -O vhdx "$out/disk.raw" "$out/disk.vhdx"
# E01 as it is usually made (compressed), and stored, to tell the container's
# cost from the decompression's.
ewfacquire -u -q -c fast -t "$out/disk" "$out/disk.raw" >/dev/null 2>&1
ewfacquire -u -q -c none -t "$out/stored" "$out/disk.raw" >/dev/null 2>&1
ls -la "$out"
