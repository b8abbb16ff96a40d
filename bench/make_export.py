#!/usr/bin/env python3
# Turns a Wine registry file (make_wine_registry.py writes one) into what regedit
# writes when HKEY_LOCAL_MACHINE is exported: "Windows Registry Editor Version
# 5.00", UTF-16LE with a byte order mark, CR LF, full key paths; Wine's
# str(2): and str(7): become hex(2): and hex(7):, its \x escapes characters.
# Usage: make_export.py <Wine file> <export file>
import re, sys

source, out = sys.argv[1:3]
escape = re.compile(r'\\x([0-9a-fA-F]{1,4})')


def text(s):
    return escape.sub(lambda m: chr(int(m.group(1), 16)), s)


def hexlines(prefix, data):
    # regedit wraps hex data after about 80 columns with ",\" and two spaces.
    items = [f"{b:02x}" for b in data]
    lines, line = [], prefix
    for i, item in enumerate(items):
        piece = item + ("," if i + 1 < len(items) else "")
        if len(line) + len(piece) > 77:
            lines.append(line + "\\")
            line = "  "
        line += piece
    lines.append(line)
    return "\r\n".join(lines)


def string_data(body, kind):
    s = text(body).replace('\\\\', '\\').replace('\\"', '"').replace('\\0', '\0')
    data = s.encode("utf-16-le") + b"\0\0"
    if kind == "7" and not s.endswith("\0"):
        data += b"\0\0"
    return data


with open(source, encoding="ascii") as f, open(out, "wb") as o:
    o.write(b"\xff\xfe")
    chunk = ["Windows Registry Editor Version 5.00", ""]
    for line in f.read().split("\n")[1:]:
        if line.startswith(("#", ";;")):
            continue
        if line.startswith("["):
            path = line[1:line.rindex("]")].replace("\\\\", "\\")
            chunk.append("[HKEY_LOCAL_MACHINE\\" + text(path) + "]")
        elif line.startswith('"') or line.startswith("@"):
            m = re.match(r'^((?:"(?:[^"\\]|\\.)*")|@)=str\(([27])\):"(.*)"$', line)
            if m:
                chunk.append(hexlines(f"{text(m.group(1))}=hex({m.group(2)}):", string_data(m.group(3), m.group(2))))
            else:
                chunk.append(text(line))
        else:
            chunk.append(line)
        if len(chunk) > 100000:
            o.write(("\r\n".join(chunk) + "\r\n").encode("utf-16-le"))
            chunk = []
    o.write(("\r\n".join(chunk) + "\r\n").encode("utf-16-le"))
