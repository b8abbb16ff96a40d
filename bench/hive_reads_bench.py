#!/usr/bin/env python3
# What one `tessera --bericht` costs its source when the hives are big (SYSTEM
# 20 MB, SOFTWARE 80 MB, bench/make_big_hives.py) and read as far as the facts
# need:
#   - bytes read, per container, as the page cache sees them: each file of the
#     source evicted (posix_fadvise DONTNEED), one run, then fincore, read-ahead
#     included; the real dirty SYSTEM with its logs apart (hive and logs);
#   - time, warm, against the small fixture disk with the same keys
#     (alternating runs, medians) and peak RSS; the window's first frame too;
#   - time behind a slow device (35 MB/s, a USB 2 disk): the raw disk as a loop
#     device under a cgroup read limit, evicted before each run (where this
#     machine lets root make loop devices and cgroups; skipped otherwise).
# Usage: hive_reads_bench.py TESSERA STARTUP_PROBE HIVE_FOLDER IMAGE_FOLDER SMALL_DISK [RUNS]
#        [--dirty FOLDER] [--bitlocker DISK KEYFILE]
import os, statistics, subprocess, sys, time

from first_frame import first_frame
from page_cache import evict, resident

args = sys.argv[1:]
def option(name, count):
    if name not in args: return None
    at = args.index(name)
    values = args[at + 1:at + 1 + count]
    del args[at:at + 1 + count]
    return values
dirty = option("--dirty", 1)
bitlocker = option("--bitlocker", 2)
tessera, probe, folder, images, small = args[:5]
runs = int(args[5]) if len(args) > 5 else 9
base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}


def files_of(path):
    if os.path.isdir(path):
        return [os.path.join(d, f) for d, _, fs in os.walk(path) for f in fs]
    return [path]


def report(source, extra=(), env=None):
    start = time.monotonic()
    proc = subprocess.Popen([tessera, "--bericht", *extra, source], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, env=env or base)
    err = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    if status != 0:
        sys.exit(f"{source}: {err.decode()}")
    return (time.monotonic() - start) * 1000, usage.ru_maxrss / 1024


MiB = 1024 * 1024
print("bytes read by one --bericht (page cache after eviction, read-ahead included):")
sources = {"folder": folder}
for name in ("raw", "qcow2", "vhdx", "E01", "vdi", "vmdk", "vhd"):
    sources[name] = os.path.join(images, "disk." + name)
for name, source in sources.items():
    files = files_of(source)
    evict(files)
    report(source)
    print(f"  {name:8} {resident(files) / MiB:6.2f} MiB of {sum(os.path.getsize(f) for f in files) / MiB:7.1f} MiB")
if bitlocker:
    disk, key = bitlocker
    evict([disk])
    report(disk, ["--schluessel", key])
    print(f"  BitLocker (the fixture disk, Windows 10's hives) {resident([disk]) / MiB:6.2f} MiB")
if dirty:
    hive = os.path.join(dirty[0], "SYSTEM_B")
    logs = [hive + ".LOG1", hive + ".LOG2"]
    evict([hive] + logs)
    report(hive)
    print(f"  the real dirty SYSTEM (12.8 MB): {resident([hive]) / MiB:.2f} MiB of the hive, "
          f"{resident(logs) / MiB:.2f} MiB of its logs (read whole)")

print(f"\nwarm --bericht, {runs} alternating runs, medians:")
big_disk = sources["raw"]
for source in (big_disk, small):
    report(source)
times = {big_disk: [], small: []}
rss = {big_disk: [], small: []}
for _ in range(runs):
    for source in (big_disk, small):
        t, r = report(source)
        times[source].append(t)
        rss[source].append(r)
tb, ts = statistics.median(times[big_disk]), statistics.median(times[small])
print(f"  big-hive disk {tb:.1f} ms, small disk {ts:.1f} ms: {tb / ts:.2f}x; peak RSS {max(rss[big_disk]):.1f} / "
      f"{max(rss[small]):.1f} MiB")


frames = {big_disk: [], small: []}
for source in (big_disk, small):
    first_frame(probe, source, base)
for _ in range(runs):
    for source in (big_disk, small):
        frames[source].append(first_frame(probe, source, base))
fb = statistics.median(f for f, _ in frames[big_disk])
fs = statistics.median(f for f, _ in frames[small])
print(f"  the window's first frame: big-hive disk {fb:.1f} ms, small disk {fs:.1f} ms: {fb / fs:.2f}x; peak RSS "
      f"{max(r for _, r in frames[big_disk]):.1f} / {max(r for _, r in frames[small]):.1f} MiB")

# Behind a slow device: a loop device under a cgroup (v1 blkio) read limit.
limit = 35 * 1000 * 1000
group = "/sys/fs/cgroup/blkio/tessera-bench"
if os.geteuid() != 0 or not os.path.isdir("/sys/fs/cgroup/blkio"):
    print("\nslow device: skipped (needs root and the blkio cgroup)")
    sys.exit(0)
loop = subprocess.run(["losetup", "-r", "-f", "--show", big_disk], capture_output=True, text=True)
if loop.returncode != 0:
    print(f"\nslow device: skipped (no loop device: {loop.stderr.strip()})")
    sys.exit(0)
device = loop.stdout.strip()
try:
    os.makedirs(group, exist_ok=True)
    st = os.stat(device)
    with open(os.path.join(group, "blkio.throttle.read_bps_device"), "w") as f:
        f.write(f"{os.major(st.st_rdev)}:{os.minor(st.st_rdev)} {limit}")
    slow = []
    for _ in range(5):
        evict([device])
        start = time.monotonic()
        proc = subprocess.Popen([tessera, "--bericht", device], stdout=subprocess.DEVNULL,
                                preexec_fn=lambda: open(os.path.join(group, "cgroup.procs"), "w").write(str(os.getpid())))
        proc.wait()
        slow.append((time.monotonic() - start) * 1000)
    print(f"\nbehind {limit / 1e6:.0f} MB/s (a loop device of the raw disk, evicted before each run): "
          f"median {statistics.median(slow):.0f} ms of 5")
finally:
    subprocess.run(["losetup", "-d", device])
    try:
        os.rmdir(group)
    except OSError:
        pass
