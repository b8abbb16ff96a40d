"""The start-up probe's first frame for one registry source, offscreen: the
milliseconds from the probe's start to its first flushed frame, and its peak
RSS in MiB. Exits, naming the source, where the probe fails or draws nothing."""
import os
import subprocess
import sys
import time


def first_frame(probe, source, environment):
    env = dict(environment, QT_QPA_PLATFORM="offscreen", TESSERA_REGISTRY=source)
    start = time.monotonic()
    proc = subprocess.Popen([probe, "--phases"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    stderr = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    if status != 0:
        sys.exit(f"{source} failed:\n{stderr}")
    for line in stderr.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[:2] == ["phase", "flushed"]:
            return (float(parts[3]) - start) * 1000, usage.ru_maxrss / 1024
    sys.exit(f"{source}: no first frame\n{stderr}")
