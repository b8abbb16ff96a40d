#!/usr/bin/env python3
# Writes a Wine-format registry file of about the given size (default 5 MB) laid
# out as a machine's system hive: keys sorted as Wine writes them, each with its
# timestamp, a CurrentControlSet link to ControlSet001, and the values the
# program's pages read, among thousands of class, service and device keys.
# Usage: make_wine_registry.py <output file> [bytes]
import random, sys

out = sys.argv[1]
target = int(sys.argv[2]) if len(sys.argv) > 2 else 5 * 1000 * 1000
rnd = random.Random(7)

tree = {}  # path tuple -> list of value lines


def key(*path):
    return tree.setdefault(tuple(path), [])


def sz(name, text):
    return f'"{name}"="{text}"'


def dword(name, v):
    return f'"{name}"=dword:{v:08x}'


def guid():
    return "{%08X-%04X-%04X-%04X-%012X}" % (rnd.getrandbits(32), rnd.getrandbits(16), rnd.getrandbits(16),
                                          rnd.getrandbits(16), rnd.getrandbits(48))


def hexdata(n):
    data = ",".join(f"{rnd.getrandbits(8):02x}" for _ in range(n))
    # Wine wraps long hex data after about 76 columns with ",\" continuation lines.
    lines, line = [], ""
    for byte in data.split(","):
        if len(line) + 3 > 72:
            lines.append(line + ",\\")
            line = "  " + byte
        else:
            line = byte if not line else line + "," + byte
    return "\n".join(lines + [line])


# The values the pages read.
nt = ("Software", "Microsoft", "Windows NT", "CurrentVersion")
key(*nt).extend([sz("CSDVersion", "Service Pack 4"), sz("CurrentBuildNumber", "2195"),
                 sz("CurrentVersion", "5.0"), sz("ProductName", "Microsoft Windows 2000"),
                 sz("SystemRoot", "C:\\\\windows")])
key("Software", "Microsoft", "Internet Explorer").append(sz("Version", "6.0.2800.1106"))
key("Software", "Microsoft", "Windows", "CurrentVersion", "Internet Settings").append(sz("MinorVersion", ";SP1;"))
control = ("System", "ControlSet001", "Control")
key(*control, "Session Manager", "Memory Management").extend(
    [dword("ClearPageFileAtShutdown", 0), dword("DisablePagingExecutive", 1), dword("IOPageLockLimit", 0x80000),
     dword("LargeSystemCache", 0), dword("SecondLevelDataCache", 256),
     '"PagingFiles"=str(7):"C:\\\\pagefile.sys 1024 2048\\0"'])
for g, name in [("{185FEDE3-9905-11D1-95A9-00C04FB925D3}", "Summe"), ("{DFF21FE4-F70F-11D0-B917-00A0C9223196}", "Wave"),
                ("{185FEDED-9905-11D1-95A9-00C04FB925D3}", "Mikrofon"), ("{62D35A12-E42B-11D1-B073-00608CCBD2F1}", "Telefon"),
                ("{62D35A14-E42B-11D1-B073-00608CCBD2F1}", "Line-In"), ("{62D35A15-E42B-11D1-B073-00608CCBD2F1}", "CD"),
                ("{62D35A16-E42B-11D1-B073-00608CCBD2F1}", "MIDI"), ("{62D35A17-E42B-11D1-B073-00608CCBD2F1}", "Aux"),
                ("{62D35A18-E42B-11D1-B073-00608CCBD2F1}", "Wave-Synthesizer"),
                ("{62D35A19-E42B-11D1-B073-00608CCBD2F1}", "Stereomixer"),
                ("{62D35A1A-E42B-11D1-B073-00608CCBD2F1}", "Monomixer")]:
    key(*control, "MediaCategories", g).append(sz("Name", name))
key("System", "Select").extend([dword("Current", 1), dword("Default", 1), dword("LastKnownGood", 1)])
key("System", "CurrentControlSet").extend(["#link", '"SymbolicLinkValue"=hex(6):' + ",".join(
    f"{b:02x}" for b in "\\Registry\\Machine\\System\\ControlSet001".encode("utf-16-le"))])


def approx_size():
    return sum(len("\\\\".join(p)) + 40 + sum(len(v) + 1 for v in vals) for p, vals in tree.items())


# Filler in the proportions of a real hive: COM classes, services, device enumeration.
words = ["Audio", "Ger\\xe4t", "Lautst\\xe4rke", "Parameters", "Security", "Interfaces", "Properties", "Display",
         "Network", "Storage", "Volume", "Driver", "Config", "Linkage"]
size = approx_size()
exact = size  # kept as approx_size() would compute it, without walking the whole tree


def grow(path, vals):
    global exact
    if tuple(path) not in tree:
        exact += len("\\\\".join(path)) + 40
    exact += sum(len(v) + 1 for v in vals)
    key(*path).extend(vals)


n = 0
while size < target:
    kind = n % 3
    if kind == 0:
        base = ("Software", "Classes", "CLSID", guid())
        vals = [f'@="{rnd.choice(words)} Object {n}"']
        grow((*base, "InprocServer32"),
             [f'@="C:\\\\windows\\\\system32\\\\{rnd.choice(words).lower()}{n}.dll"',
              sz("ThreadingModel", rnd.choice(["Both", "Apartment", "Free"]))])
    elif kind == 1:
        base = ("System", "ControlSet001", "Services", f"{rnd.choice(words)}{n}")
        vals = [dword("ErrorControl", 1), sz("Group", rnd.choice(words)),
                f'"ImagePath"=str(2):"%SystemRoot%\\\\System32\\\\drivers\\\\{rnd.choice(words).lower()}{n}.sys"',
                dword("Start", rnd.randint(0, 4)), dword("Type", 1)]
        grow((*base, "Parameters"), [f'"Options"=hex:{hexdata(rnd.randint(8, 64))}'])
    else:
        base = ("System", "ControlSet001", "Enum", "PCI", f"VEN_{rnd.getrandbits(16):04X}&DEV_{n:04X}",
                f"{rnd.getrandbits(24):06x}&0&{n % 256:02X}")
        vals = [sz("Class", rnd.choice(words)), sz("ClassGUID", guid()),
                f'"CompatibleIDs"=str(7):"PCI\\\\CC_{n:06X}\\0PCI\\\\CC_{n % 99:04X}\\0"',
                sz("DeviceDesc", f"{rnd.choice(words)} Controller {n}"), dword("ConfigFlags", 0)]
    grow(base, vals)
    n += 1
    if n % 500 == 0:
        size = exact

lines = ["WINE REGISTRY Version 2", ";; All keys relative to \\\\Machine", "", "#arch=win64"]
stamp = 133700000000000000
for path in sorted(tree, key=lambda p: [c.lower() for c in p]):
    stamp += rnd.randint(1, 10**7)
    vals = tree[path]
    link = vals and vals[0] == "#link"
    lines.append("")
    lines.append("[" + "\\\\".join(path) + f"] {stamp // 10**7 - 11644473600}")
    lines.append(f"#time={stamp:x}")
    if link:
        lines.append("#link")
        vals = vals[1:]
    lines.extend(vals)
with open(out, "w", encoding="ascii") as f:
    f.write("\n".join(lines) + "\n")
