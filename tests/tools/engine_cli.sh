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
printf '0 0 0 800\n0 800 800 800\n800 800 800 0\n800 0 0 0\n' |
  python3 "$2/tests/tools/mkmap.py" "$T/room.map" --area Hall --viewer 200,400 || fail "mkmap"

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
