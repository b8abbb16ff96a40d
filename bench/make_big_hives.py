#!/usr/bin/python3
"""Writes hives of realistic size for the benchmarks into OUT/Windows/System32/config:
SYSTEM (about 20 MB) and SOFTWARE (about 80 MB). They hold what the Windows 10
fixture holds plus IOPageLockLimit, so every value the pages read, and beside
them thousands of filler keys (services, classes), as an installation has, and
300 installed programs (200 64-bit, 100 32-bit). The fixture's SAM and its
user's NTUSER.DAT (OUT/Users/bob) lie beside them, for the inventory.
Then OUT/dirty/software holds that SOFTWARE as Windows leaves it not written
back, with 8 MB of transaction logs (SOFTWARE.LOG1 and .LOG2, the newer
format: 32 entries of 64 pages spread over the hive), and
OUT/dirty/software-alone the same hive without them.

Needs Debian's python3 and python3-hivex:  /usr/bin/python3 make_big_hives.py OUT
"""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fixtures", "hives"))
import hivex  # noqa: E402
import make_hives  # noqa: E402


def filler(h, parent, prefix, keys, values):
    """`keys` keys of `values` values each below parent, in three levels (hivex copies
    a key's whole list of children at every child it adds, so no key gets thousands)."""
    text = ("C:\\Windows\\System32\\drivers\\" + "x" * 40 + "\0").encode("utf-16-le")
    outer_keys, inner_keys = {}, {}
    for i in range(keys):
        outer, inner = i // 1024, i // 32
        if outer not in outer_keys:
            outer_keys[outer] = h.node_add_child(parent, "%s%03d" % (prefix, outer))
        if inner not in inner_keys:
            inner_keys[inner] = h.node_add_child(outer_keys[outer], "%s%05d" % (prefix, inner))
        key = h.node_add_child(inner_keys[inner], "%s%07d" % (prefix, i))
        h.node_set_values(key, [
            {"key": "Value%02d" % j, "t": 1 if j % 2 == 0 else 4,
             "value": text if j % 2 == 0 else (i ^ j).to_bytes(4, "little")}
            for j in range(values)])


def programs(h, uninstall, count, bits):
    """`count` programs as installers enter them below an Uninstall key."""
    node = h.root()
    for part in uninstall:
        node = h.node_get_child(node, part) or h.node_add_child(node, part)
    text = lambda t: (t + "\0").encode("utf-16-le")
    for i in range(count):
        key = h.node_add_child(node, "{%08X-1111-2222-3333-%012X}" % (i, bits))
        h.node_set_values(key, [
            {"key": "DisplayName", "t": 1, "value": text("Programm %d (%d-bit)" % (i, bits))},
            {"key": "DisplayVersion", "t": 1, "value": text("%d.%d.%d" % (i // 100, i % 100, bits))},
            {"key": "Publisher", "t": 1, "value": text("Hersteller %d" % (i % 17))},
            {"key": "InstallDate", "t": 1, "value": text("2023%02d%02d" % (1 + i % 12, 1 + i % 28))},
            {"key": "InstallLocation", "t": 1, "value": text("C:\\Program Files\\Programm %d\\" % i)},
            {"key": "UninstallString", "t": 1, "value": text("MsiExec.exe /X{%08X}" % i)},
            {"key": "EstimatedSize", "t": 4, "value": (1024 * i).to_bytes(4, "little")},
        ])


def build(text, out, filler_path, keys, values, extra=(), apps=False):
    with tempfile.TemporaryDirectory() as work:
        tmp = os.path.join(work, "real")
        make_hives.build(text, tmp)
        h = hivex.Hivex(tmp, write=True)
        if apps:
            programs(h, ["Microsoft", "Windows", "CurrentVersion", "Uninstall"], 200, 64)
            programs(h, ["WOW6432Node", "Microsoft", "Windows", "CurrentVersion", "Uninstall"], 100, 32)
        node = h.root()
        for part in filler_path:
            node = h.node_get_child(node, part) or h.node_add_child(node, part)
        filler(h, node, "K", keys, values)
        for path, value in extra:
            node = h.root()
            for part in path:
                node = h.node_get_child(node, part)
            h.node_set_value(node, value)
        os.makedirs(os.path.dirname(out), exist_ok=True)
        h.commit(out)


def dirty_with_logs(software, out):
    """The hive dirty, and logs whose 2048 pages are pages of the hive itself:
    the replay does all its work and leaves the content as it is."""
    with open(software, "rb") as f:
        hive = f.read()
    size = make_hives.bins_size(hive)
    pages = size // make_hives.PAGE
    step = max(1, pages // 2048)
    chosen = [i * step for i in range(min(2048, pages))]
    entries = []
    for n in range(0, len(chosen), 64):
        refs = [(p * make_hives.PAGE, hive[0x1000 + p * make_hives.PAGE:0x1000 + (p + 1) * make_hives.PAGE])
                for p in chosen[n:n + 64]]
        entries.append(make_hives.log_entry(100 + n // 64, size, refs))
    half = len(entries) // 2
    for folder, files in (("software", {"SOFTWARE.LOG1": make_hives.new_log(hive, entries[:half]),
                                        "SOFTWARE.LOG2": make_hives.new_log(hive, entries[half:])}),
                          ("software-alone", {})):
        make_hives.write(os.path.join(out, folder), dict(files, SOFTWARE=make_hives.with_sequences(hive, 100, 99)))


def main():
    out = os.path.join(sys.argv[1], "Windows", "System32", "config")
    # Windows 10 keeps no IOPageLockLimit; the page benchmarks need every value the pages read.
    memory = ["ControlSet001", "Control", "Session Manager", "Memory Management"]
    io_limit = {"key": "IOPageLockLimit", "t": 4, "value": (524288).to_bytes(4, "little")}
    build("win10-system.reg", os.path.join(out, "SYSTEM"), ["ControlSet001", "Services"], 14800, 10,
          [(memory, io_limit)])
    build("win10-software.reg", os.path.join(out, "SOFTWARE"), ["Classes"], 59000, 10, apps=True)
    make_hives.build("win10-sam.reg", os.path.join(out, "SAM"))
    make_hives.build("win10-bob-ntuser.reg", os.path.join(sys.argv[1], "Users", "bob", "NTUSER.DAT"))
    for name in ("SYSTEM", "SOFTWARE"):
        print("%s: %.1f MB" % (name, os.path.getsize(os.path.join(out, name)) / 1e6))
    dirty = os.path.join(sys.argv[1], "dirty")
    dirty_with_logs(os.path.join(out, "SOFTWARE"), dirty)
    logs = sum(os.path.getsize(os.path.join(dirty, "software", n)) for n in ("SOFTWARE.LOG1", "SOFTWARE.LOG2"))
    print("SOFTWARE's logs: %.1f MB" % (logs / 1e6))


if __name__ == "__main__":
    main()
