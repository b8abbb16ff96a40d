#!/usr/bin/env python3
# The inventory of many machines (--jsonl), against one run per machine and
# against virt-inspector:
#   - forty machines: 40 copies of the small fixture disk through one --jsonl,
#     against 40 runs of --json one after another (medians of alternating runs);
#     each line must hold exactly the single run's record;
#   - the big-hive disk (SYSTEM 20 MB, SOFTWARE 80 MB, 300 programs, a user's
#     hive): its inventory against its --bericht, warm, and the bytes it reads
#     (page cache after eviction, read-ahead included);
#   - virt-inspector (Debian's libguestfs-tools) on the same disk, where installed;
#   - a thousand machines (hard links of the small disk): peak RSS of one
#     --jsonl against one machine's --json times the workers.
# Usage: inventory_bench.py TESSERA SMALL_DISK BIG_DISK [RUNS]
import json, os, shutil, statistics, subprocess, sys, tempfile, time

from page_cache import evict, resident

tessera, small, big = sys.argv[1:4]
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
MiB = 1024 * 1024


def run(args, ok=(0,)):
    start = time.monotonic()
    proc = subprocess.Popen([tessera, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) not in ok:
        sys.exit(f"tessera {' '.join(args)}: exit {os.waitstatus_to_exitcode(status)}")
    return (time.monotonic() - start) * 1000, usage.ru_maxrss / 1024, out


work = tempfile.mkdtemp()
try:
    workers = os.cpu_count()
    print(f"forty machines ({workers} workers), {runs} alternating runs, medians:")
    forty = os.path.join(work, "forty")
    os.mkdir(forty)
    copies = []
    for i in range(40):
        copies.append(os.path.join(forty, f"pc{i:02d}.raw"))
        shutil.copyfile(small, copies[-1])
    _, _, lines = run(["--jsonl", forty])
    records = [json.loads(line) for line in lines.splitlines()]
    assert [r.pop("source") for r in records] == copies, "the lines are not in the order of the disks"
    for copy, record in zip(copies, records):
        assert json.loads(run(["--json", copy])[2]) == record, f"{copy}: the line differs from --json"
    one_by_one, batch = [], []
    for _ in range(runs):
        start = time.monotonic()
        for copy in copies:
            run(["--json", copy])
        one_by_one.append((time.monotonic() - start) * 1000)
        batch.append(run(["--jsonl", forty])[0])
    tb, to = statistics.median(batch), statistics.median(one_by_one)
    print(f"  one --jsonl {tb:.0f} ms, 40 runs of --json {to:.0f} ms: {tb / to:.2f}x "
          f"({tb / 40:.1f} ms a machine); every line as its single run's record")

    print(f"\nthe big-hive disk ({os.path.getsize(big) / MiB:.0f} MiB: SYSTEM 20 MB, SOFTWARE 80 MB):")
    _, _, line = run(["--jsonl", big])
    machine = json.loads(line)["machine"]
    print(f"  {len(machine['applications'])} programs, {len(machine['users'])} users, "
          f"{sum(a['scope'].startswith('user') for a in machine['applications'])} of the programs a user's")
    evict([big])
    run(["--jsonl", big])
    print(f"  bytes read by its inventory: {resident([big]) / MiB:.2f} MiB (page cache after eviction)")
    evict([big])
    run(["--bericht", big])
    print(f"  bytes read by its --bericht: {resident([big]) / MiB:.2f} MiB")
    inventory, report = [], []
    for _ in range(runs * 3):
        inventory.append(run(["--jsonl", big])[0])
        report.append(run(["--bericht", big])[0])
    ti, tr = statistics.median(inventory), statistics.median(report)
    print(f"  warm, {runs * 3} alternating runs: inventory {ti:.1f} ms, --bericht {tr:.1f} ms: {ti / tr:.2f}x")

    print("\nvirt-inspector on the same disk:")
    if shutil.which("virt-inspector"):
        def inspect(settings):
            start = time.monotonic()
            done = subprocess.run(["virt-inspector", "--format=raw", "-a", big], capture_output=True, text=True,
                                  env=dict(env, LIBGUESTFS_BACKEND="direct", **settings))
            return (time.monotonic() - start) * 1000, done
        how = "with KVM"
        tv, done = inspect({})
        if done.returncode != 0:  # KVM missing or refusing (nested): the emulator alone
            how = "without KVM"
            tv, done = inspect({"LIBGUESTFS_BACKEND_SETTINGS": "force_tcg"})
        if done.returncode != 0:
            print(f"  failed: {done.stderr.strip().splitlines()[-1:]}")
        else:
            found = done.stdout.count("<application>")
            print(f"  {how}: {tv / 1000:.1f} s ({found} applications); Tessera's inventory {ti:.1f} ms: "
                  f"{tv / ti:.0f}x faster")
    else:
        print("  skipped: virt-inspector is not installed (apt-get install libguestfs-tools)")

    print("\na thousand machines (hard links of the small disk):")
    thousand = os.path.join(work, "thousand")
    os.mkdir(thousand)
    for i in range(1000):
        os.link(copies[0], os.path.join(thousand, f"pc{i:04d}.raw"))
    t, rss, out = run(["--jsonl", thousand])
    assert out.count(b"\n") == 1000
    one = max(run(["--json", copies[0]])[1] for _ in range(3))
    print(f"  one --jsonl: {t / 1000:.1f} s, peak RSS {rss:.1f} MiB; one machine's --json {one:.1f} MiB, "
          f"times {workers} workers {one * workers:.1f} MiB: {rss / (one * workers):.2f}x")
finally:
    shutil.rmtree(work)
