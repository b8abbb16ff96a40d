#!/usr/bin/env python3
# Runs the start-up probe and its floors alternately, offscreen, and prints the
# median of each phase (milliseconds since main began, and the first frame
# since this script started the process, the loading of libraries included), the ratios of
# the probe's first frame to each floor's, each one's peak RSS, and the number
# of fonts fontconfig knows (the font list Qt reads at the first text grows
# with it).
# Usage: startup_bench.py <bench binaries dir> [runs, default 15]
import os, statistics, subprocess, sys, time

bin_dir = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
programs = {
    "startup_probe": "the program",
    "startup_floor": "a bare dialog with one label, Qt's defaults",
    "startup_floor_look": "the same dialog with the program's style and fonts",
    "startup_floor_widgets": "the window's controls as plain Qt widgets, Qt's defaults",
    "startup_floor_widgets_look": "the same controls with the program's style and fonts",
}
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")


def run(name):
    start = time.monotonic()
    proc = subprocess.Popen([os.path.join(bin_dir, name), "--phases"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    stderr = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    if status != 0:
        sys.exit(f"{name} failed:\n{stderr}")
    phases = {}
    for line in stderr.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[0] == "phase":
            phases[parts[1]] = float(parts[2])
            if parts[1] == "flushed":
                phases["spawned"] = (float(parts[3]) - start) * 1000
    return phases, usage.ru_maxrss / 1024  # KiB -> MiB


for name in programs:  # warm-up: caches of disk, fontconfig and the loader
    run(name)
results = {name: [] for name in programs}
for _ in range(runs):
    for name in programs:
        results[name].append(run(name))

columns = ["application", "setup", "main", "flushed", "spawned"]
fonts = subprocess.run(["fc-list"], capture_output=True, text=True).stdout.count("\n")
print(f"{fonts} fonts known to fontconfig")
print(f"median of {runs} alternating runs each, ms since main began; 'spawned': the first frame since the "
      f"process was started; peak RSS in MiB")
print(f"{'':28}" + "".join(f"{c:>13}" for c in columns) + f"{'peak RSS':>11}")
medians = {}
for name, samples in results.items():
    row = {c: statistics.median(p[c] for p, _ in samples) for c in columns}
    rss = statistics.median(r for _, r in samples)
    medians[name] = (row, rss)
    print(f"{name:28}" + "".join(f"{row[c]:13.1f}" for c in columns) + f"{rss:11.1f}   {programs[name]}")
probe, probe_rss = medians["startup_probe"]
for floor in [name for name in programs if name != "startup_probe"]:
    row, rss = medians[floor]
    print(f"probe / {floor}: first frame {probe['flushed'] / row['flushed']:.2f}x "
          f"(since started {probe['spawned'] / row['spawned']:.2f}x), peak RSS {probe_rss / rss:.2f}x")
