#!/usr/bin/env bash
# kv3dmap's wizard commands: counts, exact geometry, refusals that leave the
# file alone, usage errors and the help text.
set -u
KV="$1"
SRC="$2"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
counts() { python3 -c 'import json,sys; o=json.load(sys.stdin); print(o["walls"], o["areas"])' < <("$KV" info --json "$1"); }
# Walls as "x1,y1,x2,y2" lines, read straight from the walls section.
walls() {
  python3 - "$1" <<'PY'
import struct, sys
b = open(sys.argv[1], "rb").read()
n = struct.unpack_from("<i", b, 64)[0]
for i in range(n):
    print("%d,%d,%d,%d" % struct.unpack_from("<4i", b, 64 + 26 + 148 * i))
PY
}

# The default multi-pillar room on a missing file: pillars, columns, then the room.
"$KV" room "$T/r.map" --type multi-pillar --at 1800,1000 >/dev/null || fail "room"
[ "$(counts "$T/r.map")" = "40 7" ] || fail "multi-pillar room: $(counts "$T/r.map")"
[ "$(walls "$T/r.map" | sed -n '1p;37p' | tr '\n' ' ')" = "2000,1250,2000,1350 1800,1000,1800,2400 " ] ||
  fail "first pillar and room: $(walls "$T/r.map" | sed -n '1p;37p')"
# --new clears first; a side count of 4.5 rounds to 4.
"$KV" room "$T/r.map" --new --sides 4.5 --at 0,0 >/dev/null || fail "room --new"
[ "$(counts "$T/r.map")" = "4 1" ] || fail "room --new: $(counts "$T/r.map")"

# Stair and column with defaults at the insertion point of a loaded map (100,100).
"$KV" stair "$T/s.map" --count 3.7 >/dev/null || fail "stair"
[ "$(counts "$T/s.map")" = "12 3" ] || fail "stair 3.7: $(counts "$T/s.map")"
[ "$(walls "$T/s.map" | sed -n '9p')" = "100,0,100,50" ] || fail "third step: $(walls "$T/s.map" | sed -n 9p)"
"$KV" column "$T/s.map" --sides 4 --at 2300,1500 >/dev/null || fail "column"
[ "$(walls "$T/s.map" | sed -n '14p')" = "2300,1550,2250,1550" ] || fail "column walls"

# Cave with a fixed angle (options also as --name=VALUE); switch with a random one.
"$KV" cave "$T/c.map" --at=1000,500 --angle=90 >/dev/null || fail "cave"
[ "$(walls "$T/c.map" | head -1)" = "990,470,1010,470" ] || fail "cave at 90: $(walls "$T/c.map" | head -1)"
"$KV" switch "$T/c.map" | grep -q "angle [0-9]" || fail "switch"
[ "$(counts "$T/c.map")" = "16 4" ] || fail "cave and switch: $(counts "$T/c.map")"

# A shape from shapes/, then split and passage on two facing walls.
"$KV" shape "$T/p.map" "$SRC/shapes/square.xml" --at 10,20 >/dev/null || fail "shape"
[ "$(walls "$T/p.map" | sed -n '1p')" = "10,20,10,420" ] || fail "shape walls"
"$KV" split "$T/p.map" 0 --kind 3 >/dev/null || fail "split"
[ "$(walls "$T/p.map" | sed -n '6p')" = "10,284,10,420" ] || fail "split pieces: $(walls "$T/p.map" | tr '\n' ' ')"
python3 "$SRC/tests/tools/mkmap.py" "$T/q.map" <<<$'0 0 300 0\n300 100 0 100' || fail "mkmap"
"$KV" passage "$T/q.map" 0 1 >/dev/null || fail "passage"
[ "$(walls "$T/q.map" | tr '\n' ' ')" = \
  "0,0,99,0 300,100,201,100 201,100,198,0 198,0,300,0 99,0,102,100 102,100,0,100 " ] ||
  fail "passage: $(walls "$T/q.map" | tr '\n' ' ')"

# Refusals: exit 1, a message, the file byte-identical.
cp "$T/q.map" "$T/keep.map"
refused() {
  "$KV" "$@" 2>"$T/err" >/dev/null; [ $? = 1 ] || fail "not refused: $*"
  [ -s "$T/err" ] || fail "no message: $*"
  cmp -s "$T/q.map" "$T/keep.map" || fail "file changed by: $*"
}
refused room "$T/q.map" --sides 40000
refused room "$T/q.map" --new --side-len 0
refused stair "$T/q.map" --count 2000
refused split "$T/q.map" 6
grep -q "Wall 6 does not exist: the map has 6 walls." "$T/err" || fail "split 6: $(cat "$T/err")"
"$KV" compile "$T/q.map" "$T/q.mpb" >/dev/null && cp "$T/q.mpb" "$T/q0.mpb" || fail "compile q"
refused room "$T/q.mpb"  # walls added to a compiled tree would make it no tree
cmp -s "$T/q.mpb" "$T/q0.mpb" || fail "a map binary was edited"
printf '<NOTSHAPE>\n<WALL>0,0,1,1</WALL>\n' >"$T/bad.xml"
refused shape "$T/q.map" "$T/bad.xml"
refused cave "$T/q.map" --at 2147483647,0 --angle 0
grep -q "Does not appear to be a valid KVShape" <(
  "$KV" shape "$T/q.map" "$T/bad.xml" 2>&1) || fail "shape message"

# Wrong usage: exit 2 with the usage text, nothing written.
for args in "room $T/q.map --bogus 1" "room $T/q.map --type round" "split $T/q.map x" "cave $T/q.map --angle 360" \
  "passage $T/q.map 0" "shape $T/q.map" "room $T/q.map --at 5"; do
  "$KV" $args 2>"$T/err" >/dev/null; [ $? = 2 ] || fail "usage status: $args"
  grep -q "Usage: kv3dmap" "$T/err" || fail "usage text: $args"
done
cmp -s "$T/q.map" "$T/keep.map" || fail "file changed by a usage error"

# Only the selection count is checked: the same wall twice builds the passage.
cp "$T/keep.map" "$T/same.map"
"$KV" passage "$T/same.map" 1 1 >/dev/null || fail "passage on one wall"
[ "$(counts "$T/same.map")" = "10 0" ] || fail "passage on one wall: $(counts "$T/same.map")"

# Commands that edit a map in place keep what the file held: its viewpoints
# survive every command, room --new included, and compile writes them into
# the map binary.
viewpoints() {
  python3 - "$1" <<'PY'
import struct, sys
b = open(sys.argv[1], "rb").read()
n, d = struct.unpack_from("<ii", b, 8)
for k in range(n):
    t, p = struct.unpack_from("<ii", b, d - 1 + 64 * k)
    if t == 2:
        c = struct.unpack_from("<i", b, p - 1)[0]
        print(b[p - 1:p + 3 + 64 * c].hex())
PY
}
printf '0 0 300 0\n300 100 0 100\n' | python3 "$SRC/tests/tools/mkmap.py" "$T/v.map" --viewpoints 3 || fail "mkmap viewpoints"
want="$(viewpoints "$T/v.map")"
[ "${#want}" = $(( 2 * (4 + 3 * 64) )) ] || fail "mkmap wrote no viewpoints"
for cmd in "room --sides 3" "column" "stair --count 2" "cave --angle 5" "split 0" "passage 0 1" \
  "shape $SRC/shapes/square.xml" "room --new"; do
  set -- $cmd
  c="$1"; shift
  "$KV" "$c" "$T/v.map" "$@" >/dev/null || fail "$cmd on a map with viewpoints"
  [ "$(viewpoints "$T/v.map")" = "$want" ] || fail "$cmd lost the viewpoints"
done
"$KV" compile "$T/v.map" "$T/v.mpb" >/dev/null || fail "compile v"
[ "$(viewpoints "$T/v.mpb")" = "$want" ] || fail "compile lost the viewpoints"

help="$("$KV" --help)"
for c in room column stair cave switch shape split passage; do
  grep -q "kv3dmap $c MAP" <<<"$help" || fail "help lacks $c"
done
for o in --type --sides --side-len --pillars --pillar-sides --columns --ceiling --new --count --width --height-inc \
  --angle --kind --start-height; do
  grep -q -- "$o" <<<"$help" || fail "help lacks $o"
done
echo "wizards cli: ok"
