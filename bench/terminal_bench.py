#!/usr/bin/env python3
# Times tessera --bericht and --json as whole processes (start to exit), on
# this machine's built-in sources and on a folder of hives, against
# neofetch --stdout and against the window's first frame (the start-up probe,
# from its start by this script to its first frame, the loading of its
# libraries included), all alternating in one run; prints medians, the ratios
# to both and peak RSS.
# Usage: terminal_bench.py <tessera> <startup_probe> <hive folder> [runs, default 25]
import os, shutil, statistics, subprocess, sys, tempfile, time

tessera, probe, hives = sys.argv[1:4]
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 25
neofetch = shutil.which("neofetch")
if not neofetch:
    sys.exit("terminal_bench: neofetch is missing (scripts/setup.sh installs it)")

no_prefix = tempfile.mkdtemp()  # this machine without a Wine prefix: the live view and the built-in values
base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                                       "TESSERA_REGISTRY")}
base["WINEPREFIX"] = no_prefix
commands = {
    "--bericht, built-in": ([tessera, "--bericht"], base),
    "--json, built-in": ([tessera, "--json"], base),
    "--bericht, Windows 10 hives": ([tessera, "--bericht", hives], base),
    "--json, Windows 10 hives": ([tessera, "--json", hives], base),
    "neofetch --stdout": ([neofetch, "--stdout"], base),
}
window = ([probe, "--phases"], dict(base, QT_QPA_PLATFORM="offscreen"))


def run(argv, env):
    start = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    stderr = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = (time.monotonic() - start) * 1000
    if status != 0:
        sys.exit(f"{argv} failed:\n{stderr}")
    frame = None
    for line in stderr.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[:2] == ["phase", "flushed"]:
            frame = (float(parts[3]) - start) * 1000  # since this script started it
    return (frame if frame is not None else wall), usage.ru_maxrss / 1024


everything = dict(commands, **{"window, first frame": window})
for argv, env in everything.values():  # warm-up
    run(argv, env)
samples = {name: [] for name in everything}
for _ in range(runs):
    for name, (argv, env) in everything.items():
        samples[name].append(run(argv, env))
shutil.rmtree(no_prefix)

median = {name: statistics.median(ms for ms, _ in s) for name, s in samples.items()}
rss = {name: statistics.median(r for _, r in s) for name, s in samples.items()}
print(f"median of {runs} alternating runs, whole process in ms (the window: its first frame); peak RSS in MiB")
for name in everything:
    print(f"{name:30}{median[name]:9.1f}{rss[name]:9.1f}")
for name in commands:
    if name.startswith("--"):
        print(f"{name:30} {median[name] / median['neofetch --stdout']:.3f}x neofetch, "
              f"{median[name] / median['window, first frame']:.2f}x the window's first frame")
