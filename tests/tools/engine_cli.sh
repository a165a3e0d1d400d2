#!/usr/bin/env bash
# kv3dmap render: pictures of a map file and of its map binary, options and
# exit codes.
set -u
KV="$1"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A square room of 4 walls (0,0)-(800,800), as the room wizard lays it out,
# with the viewer inside looking along +x.
python3 - "$T/room.map" <<'PY'
import struct, sys
walls = [(0, 0, 0, 800), (0, 800, 800, 800), (800, 800, 800, 0), (800, 0, 0, 0)]
body = struct.pack("<iddih", len(walls), 200.0, 400.0, 64, 0)
for i, (x1, y1, x2, y2) in enumerate(walls):
    body += struct.pack("<17i", x1, y1, x2, y2, 0, 264, 264, 264, 0, 0, 1, 1, 1, 2, 2, -1, -1)
    body += struct.pack("<dd4i4idddd", 0.0, 1.0, 0, 0, 0, i + 1 if i < 3 else -1, 0, 0, 0, 0, 1.0, 0, 0, 0)
vps = struct.pack("<i", 0)
area = struct.pack("<13ih16si2d", 0, 640000, 0, 0, 0, 800, 800, 0, 264, 264, 264, 0, 0, 0,
                   b"Hall".ljust(16), 0, 0, 0)
areas = struct.pack("<i", 1) + area
names = ["MapID", "Floor Height", "Ceil Height", "Overide CeilFloor", "Max Step Height", "Gravity"]
values = [1.5, 8, 264, 0, 25, 1]
globs = struct.pack("<i", 6) + b"".join(
    struct.pack("<d16sd4d", 12000 + k, n.encode().ljust(16), v, 0, 0, 0, 0) for k, (n, v) in enumerate(zip(names, values)))
sections, pos, out = [], 64, b""
for t, s in [(1, body), (2, vps), (3, areas), (4, globs)]:
    sections.append((t, pos + 1)); out += s; pos += len(s)
directory = b"".join(struct.pack("<ii", t, p) + bytes(56) for t, p in sections)
header = b"KV3D" + struct.pack("<iii", 146, 4, pos + 1) + bytes(48)
open(sys.argv[1], "wb").write(header + out + directory)
PY

pngsize() {
  python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
assert d[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d" % struct.unpack(">II", d[16:24]))
PY
}

# A map file is compiled in memory; the viewer starts where the file says.
out="$("$KV" render "$T/room.map" "$T/a.png")" || fail "render map file: $out"
grep -q "320x200 from x 200, y 400, eye 64, direction 0, area 0 Hall" <<<"$out" || fail "summary: $out"
[ "$(pngsize "$T/a.png")" = 320x200 ] || fail "picture size"

"$KV" render "$T/room.map" "$T/b.png" --at 600,400,64,180 --size 64x40 >/dev/null || fail "render --at --size"
[ "$(pngsize "$T/b.png")" = 64x40 ] || fail "--size"
cmp -s "$T/a.png" "$T/b.png" && fail "another view gave the same picture"
out="$("$KV" render "$T/room.map" "$T/c.png" --at -100,400,64,0)" || fail "render outside"
grep -q "area -1" <<<"$out" || fail "outside: $out"

# Refusals: missing or foreign files exit 1 with one line, wrong usage 2.
"$KV" render "$T/missing.mpb" "$T/x.png" 2>"$T/err"; [ $? = 1 ] || fail "missing file status"
[ "$(wc -l <"$T/err")" = 1 ] || fail "missing file message: $(cat "$T/err")"
echo "fov = 500" >"$T/bad.hdr"
"$KV" render "$T/bad.hdr" "$T/x.png" 2>"$T/err"; [ $? = 1 ] || fail "bad header status"
grep -q "line 1" "$T/err" || fail "bad header message: $(cat "$T/err")"
"$KV" render "$T/room.map" "$T/no/such/dir/x.png" 2>/dev/null; [ $? = 1 ] || fail "unwritable picture"
"$KV" render "$T/room.map" 2>/dev/null; [ $? = 2 ] || fail "one argument"
"$KV" render "$T/room.map" "$T/x.png" --at 1,2,3 2>/dev/null; [ $? = 2 ] || fail "short --at"
"$KV" render "$T/room.map" "$T/x.png" --size 0x10 2>/dev/null; [ $? = 2 ] || fail "zero --size"
"$KV" render "$T/room.map" "$T/x.png" --size big 2>/dev/null; [ $? = 2 ] || fail "bad --size"
exit 0
