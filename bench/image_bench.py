#!/usr/bin/env python3
# The program's start to its first frame (the start-up probe, offscreen, from
# its start by this script, the loading of its libraries included) with the
# same two big hives (SYSTEM 20 MB, SOFTWARE 80 MB) (a) as files in a folder
# and on a GPT disk with NTFS as (b) raw, (c) qcow2, (d) VHDX, (e) E01
# (compressed, and stored without compression for comparison), (f) VDI,
# (g) VMDK, (h) VHD, and as chains of three of each container format
# (make_big_chains.sh: the hives read through all three files); all
# alternating in one run. Prints medians, each one's ratio to (a), each
# chain's to its format's disk alone, and peak RSS.
# Usage: image_bench.py <startup_probe> <hive folder> <image folder> [runs, default 15]
import os, statistics, sys

from first_frame import first_frame

probe, folder, images = sys.argv[1:4]
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 15
sources = {
    "(a) folder": folder,
    "(b) raw": os.path.join(images, "disk.raw"),
    "(c) qcow2": os.path.join(images, "disk.qcow2"),
    "(d) VHDX": os.path.join(images, "disk.vhdx"),
    "(e) E01": os.path.join(images, "disk.E01"),
    "E01 stored": os.path.join(images, "stored.E01"),
    "(f) VDI": os.path.join(images, "disk.vdi"),
    "(g) VMDK": os.path.join(images, "disk.vmdk"),
    "(h) VHD": os.path.join(images, "disk.vhd"),
}
# Each chain of three, with the disk alone it is measured against.
chains = {
    "qcow2 chain": ("chains/qcow2/top.qcow2", "(c) qcow2"),
    "VHDX chain": ("chains/vhdx/top.avhdx", "(d) VHDX"),
    "VDI chain": ("chains/vdi/top.vdi", "(f) VDI"),
    "VMDK chain": ("chains/vmdk/top.vmdk", "(g) VMDK"),
    "VHD chain": ("chains/vhd/top.vhd", "(h) VHD"),
}
for name, (top, _) in chains.items():
    sources[name] = os.path.join(images, top)
base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}


def run(source):
    return first_frame(probe, source, base)


for source in sources.values():  # warm-up: page cache, fontconfig, the loader
    run(source)
samples = {name: [] for name in sources}
for _ in range(runs):
    for name, source in sources.items():
        samples[name].append(run(source))
frame = {n: statistics.median(ms for ms, _ in s) for n, s in samples.items()}
rss = {n: statistics.median(r for _, r in s) for n, s in samples.items()}
print(f"median of {runs} alternating runs: first frame since the start, ms; peak RSS, MiB")
for name in sources:
    alone = f"  {frame[name] / frame[chains[name][1]]:5.2f}x {chains[name][1][4:]} alone" if name in chains else ""
    print(f"{name:12}{frame[name]:9.1f} ms {frame[name] / frame['(a) folder']:6.2f}x"
          f"{rss[name]:9.1f} MiB  {rss[name] - rss['(a) folder']:+6.1f} MiB{alone}")
