#!/usr/bin/env python3
# BitLocker's cost at the start: the program's start to its first frame (the
# start-up probe, offscreen) on the test fixtures' Windows 10 disk (a)
# unencrypted and (b) on a BitLocker AES-XTS 128 volume unlocked with a .BEK
# key file, (c) the same as qcow2; alternating, medians and ratios to (a).
# Then the key derivation from the password alone (libcryptsetup's
# PBKDF, Windows' choice), timed through `tessera --quellen`.
# Usage: bitlocker_bench.py <startup_probe> <tessera> <image fixtures> <bek file> [runs, default 15]
import os, statistics, subprocess, sys, tempfile, time

probe, program, images, bek = sys.argv[1:5]
runs = int(sys.argv[5]) if len(sys.argv) > 5 else 15
cases = {
    "(a) unencrypted": (os.path.join(images, "gpt-win10.raw"), None),
    "(b) BitLocker .BEK": (os.path.join(images, "bitlocker-xts.raw"), bek),
    "(c) qcow2 .BEK": (os.path.join(images, "bitlocker-xts.qcow2"), bek),
}
base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}


def first_frame(source, key):
    env = dict(base, QT_QPA_PLATFORM="offscreen", TESSERA_REGISTRY=source)
    if key:
        env["TESSERA_PROBE_KEY_FILE"] = key
    start = time.monotonic()
    proc = subprocess.run([probe, "--phases"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if proc.returncode != 0:
        sys.exit(f"{source} failed:\n{proc.stderr}")
    for line in proc.stderr.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[:2] == ["phase", "flushed"]:
            return (float(parts[3]) - start) * 1000
    sys.exit(f"{source}: no first frame\n{proc.stderr}")


for source, key in cases.values():
    first_frame(source, key)
samples = {name: [] for name in cases}
for _ in range(runs):
    for name, (source, key) in cases.items():
        samples[name].append(first_frame(source, key))
frame = {n: statistics.median(s) for n, s in samples.items()}
print(f"median of {runs} alternating runs: first frame since the start, ms")
for name in cases:
    print(f"{name:20}{frame[name]:9.1f} ms {frame[name] / frame['(a) unencrypted']:6.2f}x")

with tempfile.NamedTemporaryFile("w", suffix=".txt") as password:
    password.write("password12!@")  # the real volume's published test password
    password.flush()
    times = {}
    for name, key in (("key file", bek), ("password", password.name)):
        t = []
        for _ in range(5):
            start = time.monotonic()
            subprocess.run([program, "--quellen", "--schluessel", key, cases["(b) BitLocker .BEK"][0]],
                           stdout=subprocess.DEVNULL, check=True)
            t.append((time.monotonic() - start) * 1000)
        times[name] = statistics.median(t)
    print(f"tessera --quellen, median of 5: key file {times['key file']:.0f} ms, password {times['password']:.0f} ms "
          f"(the difference is the password's key derivation)")
