#!/usr/bin/env python3
# Writes a Wine-format registry file of about the given size (default 5 MB) with
# the mix of keys and value types a real machine's system hive has.
import random, sys

out = sys.argv[1]
target = int(sys.argv[2]) if len(sys.argv) > 2 else 5 * 1000 * 1000
rnd = random.Random(7)
words = ["Control", "Class", "Enum", "Services", "Software", "Microsoft", "Windows", "CurrentVersion",
         "Lautst\\xe4rke", "Ger\\xe4te", "Parameters", "Security", "Interfaces", "Properties"]
parts = ["WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n"]
size = len(parts[0])
n = 0
while size < target:
    depth = rnd.randint(2, 7)
    path = "\\\\".join(rnd.choice(words) + (str(rnd.randint(0, 99)) if i else "") for i in range(depth))
    block = [f"\n[{path}\\\\{n:06d}] 1700000000\n#time=1d9a0b0c0d0e0f0\n"]
    for v in range(rnd.randint(2, 8)):
        kind = rnd.randrange(5)
        name = f"\"{rnd.choice(words)}{v}\"="
        if kind == 0:
            block.append(name + f"\"C:\\\\windows\\\\system32\\\\drivers\\\\{rnd.choice(words)}.sys\"\n")
        elif kind == 1:
            block.append(name + f"dword:{rnd.getrandbits(32):08x}\n")
        elif kind == 2:
            block.append(name + "str(2):\"%SystemRoot%\\\\System32\\\\" + rnd.choice(words) + "\"\n")
        elif kind == 3:
            data = ",".join(f"{rnd.getrandbits(8):02x}" for _ in range(rnd.randint(8, 60)))
            block.append(name + "hex:" + data.replace(",", ",\\\n  ", 1) + "\n")
        else:
            block.append(name + "str(7):\"eins\\0zwei\\0drei\\0\"\n")
    text = "".join(block)
    parts.append(text)
    size += len(text)
    n += 1
with open(out, "w", encoding="ascii") as f:
    f.write("".join(parts))
