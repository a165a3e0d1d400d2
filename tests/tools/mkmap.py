"""Writes a map file for the tool tests: walls read from standard input, one
"x1 y1 x2 y2" per line, all of one area (named by --area) when asked, with the
six globals of a fresh New. The viewer starts at --viewer X,Y (default 200,200).
--viewpoints N writes N viewpoints with a distinct value in every field."""
import argparse, struct, sys

p = argparse.ArgumentParser()
p.add_argument("out")
p.add_argument("--area")
p.add_argument("--viewer", default="200,200")
p.add_argument("--viewpoints", type=int, default=0)
a = p.parse_args()
walls = [tuple(int(v) for v in line.split()) for line in sys.stdin if line.strip()]
vx, vy = (float(v) for v in a.viewer.split(","))

body = struct.pack("<iddih", len(walls), vx, vy, 64, 0)
for i, (x1, y1, x2, y2) in enumerate(walls):
    nxt = (i + 1 if i + 1 < len(walls) else -1) if a.area else -1
    body += struct.pack("<17i", x1, y1, x2, y2, 0, 264, 264, 264, 0, 0, 1, 1, 1, 2, 2, -1, -1)
    body += struct.pack("<dd4i4idddd", 0.0, 1.0, 0, 0 if a.area else -1, 0, nxt, 0, 0, 0, 0,
                        float(i + 1), 0, 0, 0)
areas = struct.pack("<i", 0)
if a.area:
    xs = [w[0] for w in walls] + [w[2] for w in walls]
    ys = [w[1] for w in walls] + [w[3] for w in walls]
    areas = struct.pack("<i", 1) + struct.pack("<13ih16si2d", 0, (max(xs) - min(xs)) * (max(ys) - min(ys)), 0,
                                               min(ys), min(xs), max(ys), max(xs), 0, 264, 264, 264, 0, 0, 0, a.area.encode().ljust(16), 0, 0, 0)
names = ["MapID", "Floor Height", "Ceil Height", "Overide CeilFloor", "Max Step Height", "Gravity"]
values = [1.5, 8, 264, 0, 25, 1]
globs = struct.pack("<i", 6) + b"".join(
    struct.pack("<d16sd4d", 12000 + k, n.encode().ljust(16), v, 0, 0, 0, 0) for k, (n, v) in enumerate(zip(names, values)))
sections, pos, out = [], 64, b""
views = struct.pack("<i", a.viewpoints) + b"".join(
    struct.pack("<16s4i4d", b"View %d \xe9" % k, 10 * k + 1, 10 * k + 2, 10 * k + 3, 10 * k + 4,
                k + 0.5, k + 0.25, k + 0.125, -k - 1.0) for k in range(a.viewpoints))
for t, s in [(1, body), (2, views), (3, areas), (4, globs)]:
    sections.append((t, pos + 1)); out += s; pos += len(s)
directory = b"".join(struct.pack("<ii", t, p) + bytes(56) for t, p in sections)
header = b"KV3D" + struct.pack("<iii", 146, 4, pos + 1) + bytes(48)
open(a.out, "wb").write(header + out + directory)
