#!/usr/bin/env python3
# The program's start to its first frame (the start-up probe, offscreen, the
# loading of its libraries included) on registry text files of every size:
# none (this machine and the built-in values), the 5 MB and 200 MB Wine files
# and the 600 MB UTF-16 export (make_wine_registry.py, make_export.py); all
# alternating in one run. Prints medians of the first frame and of peak RSS,
# and the RSS above the run without a file as a multiple of the file's size.
# A file the program refuses is named with its message.
# Usage: text_bench.py <startup_probe> <file> [<file> ...] [--runs N, default 5]
import os, signal, statistics, subprocess, sys, threading, time

args = sys.argv[1:]
runs = 5
if "--runs" in args:
    at = args.index("--runs")
    runs = int(args[at + 1])
    del args[at:at + 2]
probe, files = args[0], args[1:]
base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "TESSERA_REGISTRY")}


def run(source):
    env = dict(base, QT_QPA_PLATFORM="offscreen")
    if source:
        env["TESSERA_REGISTRY"] = source
    start = time.monotonic()
    proc = subprocess.Popen([probe, "--phases"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    # A box at start-up (a file refused) waits for a click that never comes.
    timer = threading.Timer(60, proc.kill)
    timer.start()
    stderr = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    timer.cancel()
    if status == signal.SIGKILL:
        return "no first frame within 60 s: a box at start-up, the file refused", 0
    for line in stderr.splitlines():
        parts = line.split()
        if status == 0 and len(parts) == 4 and parts[:2] == ["phase", "flushed"]:
            return (float(parts[3]) - start) * 1000, usage.ru_maxrss / 1024
    return stderr.strip().splitlines()[-1] if stderr.strip() else f"exit {status}", 0


sources = [None] + files
refused = {}
for source in sources:  # warm-up: page cache, fontconfig, the loader
    ms, _ = run(source)
    if isinstance(ms, str):
        refused[source] = ms
samples = {s: [] for s in sources if s not in refused}
for _ in range(runs):
    for source in samples:
        samples[source].append(run(source))
print(f"median of {runs} alternating runs: first frame since the start; peak RSS; RSS above the run without a file")
none_rss = statistics.median(r for _, r in samples[None])
for source in sources:
    name = os.path.basename(source) if source else "(no file)"
    if source in refused:
        print(f"{name:24} refused: {refused[source]}")
        continue
    frame = statistics.median(ms for ms, _ in samples[source])
    rss = statistics.median(r for _, r in samples[source])
    line = f"{name:24}{frame:9.1f} ms{rss:9.1f} MiB"
    if source:
        size = os.path.getsize(source) / 2**20
        line += f"  {size:7.1f} MiB file  +{rss - none_rss:7.1f} MiB = {(rss - none_rss) / size:4.2f}x the file"
    print(line)
