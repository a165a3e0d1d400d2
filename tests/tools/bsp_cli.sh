#!/usr/bin/env bash
# kv3dmap compile and validate: a small room, full tables, refusals and a
# damaged tree.
set -u
KV="$1"
MK="$2/tests/tools/mkmap.py"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Two walls that cross: the worked example, one split, three pieces.
printf '0 0 100 0\n50 -50 50 50\n' | python3 "$MK" "$T/cross.map" || fail "mkmap"
out="$("$KV" compile "$T/cross.map" "$T/cross.mpb")" || fail "compile: $out"
grep -q "^2 walls compiled into 3 pieces in " <<<"$out" || fail "compile output: $out"
[ "$("$KV" validate "$T/cross.mpb")" = "OK 3 pieces" ] || fail "validate cross"
json="$("$KV" compile --json "$T/cross.map" "$T/cross2.mpb")" || fail "compile --json"
python3 -c "import json,sys; o=json.loads(sys.argv[1]); assert o['walls_in']==2 and o['pieces']==3 and o['seconds']>=0 and o['cpu_seconds']>=0, o" "$json" ||
  fail "json: $json"
cmp -s "$T/cross.mpb" "$T/cross2.mpb" || fail "two compiles of one map differ"

# 2000 parallel walls: the deepest tree there is, and the exchange's scratch
# record fills the table.
python3 -c "
for i in range(2000): print(0, i * 3, 50, i * 3)" | python3 "$MK" "$T/deep.map" || fail "mkmap deep"
"$KV" compile "$T/deep.map" "$T/deep.mpb" >/dev/null || fail "compile deep"
[ "$("$KV" validate "$T/deep.mpb")" = "OK 2000 pieces" ] || fail "validate deep"

# A full table of random short walls, and a grid whose cuts need far more
# records than fit: refused, nothing written.
python3 -c "
import random
r = random.Random(5)
for i in range(1990):
    x, y = r.randrange(0, 20000), r.randrange(0, 20000)
    print(x, y, x + r.randrange(-60, 61) or 1, y + r.randrange(-60, 61))" | python3 "$MK" "$T/dense.map" || fail "mkmap dense"
"$KV" compile "$T/dense.map" "$T/dense.mpb" >"$T/out" 2>&1 || fail "compile dense: $(cat "$T/out")"
grep -q "^OK [0-9]* pieces$" <<<"$("$KV" validate "$T/dense.mpb")" || fail "validate dense"
python3 -c "
for i in range(50): print(0, i * 10 + 5, 500, i * 10 + 5); print(i * 10 + 5, 0, i * 10 + 5, 500)" |
  python3 "$MK" "$T/grid.map" || fail "mkmap grid"
"$KV" compile "$T/grid.map" "$T/grid.mpb" 2>"$T/err"; [ $? = 1 ] || fail "grid not refused"
[ "$(wc -l <"$T/err")" = 1 ] || fail "grid message: $(cat "$T/err")"
[ ! -e "$T/grid.mpb" ] || fail "a refused compile wrote a file"
"$KV" new "$T/empty.map"
"$KV" compile "$T/empty.map" "$T/empty.mpb" 2>/dev/null; [ $? = 1 ] || fail "empty map not refused"
[ ! -e "$T/empty.mpb" ] || fail "an empty map wrote a file"

# A damaged tree: record 1 made its own child. A map file is no tree either.
cp "$T/cross.mpb" "$T/bad.mpb"
python3 - "$T/bad.mpb" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], "rb").read())
rec1 = 64 + 26 + 148
d[rec1 + 60:rec1 + 64] = struct.pack("<i", 1)
open(sys.argv[1], "wb").write(d)
PY
"$KV" validate "$T/bad.mpb" >/dev/null 2>"$T/err"; [ $? = 1 ] || fail "damaged tree passed"
[ -s "$T/err" ] || fail "no violation named"
"$KV" validate "$T/cross.map" >/dev/null 2>&1; [ $? = 1 ] || fail "a map file passed as a tree"
"$KV" validate "$T/missing.mpb" 2>/dev/null; [ $? = 1 ] || fail "missing file"
"$KV" compile "$T/cross.map" 2>/dev/null; [ $? = 2 ] || fail "compile usage"
exit 0
