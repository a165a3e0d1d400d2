#!/usr/bin/env bash
# kv3dmap import-wad on Freedoom levels of both files that fit a map: each
# imports, compiles, validates and renders from the player start, inside the
# level.
# Refusals write nothing. Skipped (status 77) without the freedoom package.
set -u
KV="$1"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
D=/usr/share/games/doom
if [ ! -f "$D/freedoom1.wad" ] || [ ! -f "$D/freedoom2.wad" ]; then
  echo "SKIP: the freedoom package is not installed (apt-get install freedoom, or bash scripts/deps --tests)"
  exit 77
fi

# Share of the picture that is sky (the engine's gradient, row by row) or
# black, and how many colours it has.
picture() {
  python3 - "$1" <<'PY'
import struct, sys, zlib
d = open(sys.argv[1], "rb").read()
w, h = struct.unpack(">II", d[16:24])
p, idat = 8, b""
while p < len(d):
    n, = struct.unpack(">I", d[p:p + 4])
    if d[p + 4:p + 8] == b"IDAT":
        idat += d[p + 8:p + 8 + n]
    p += 12 + n
raw = zlib.decompress(idat)
empty, colours = 0, set()
for r in range(h):
    t = min(max((r + 0.5) / (h / 2), 0.0), 1.0)
    sky = tuple(int(a + (b - a) * t) for a, b in ((40, 170), (70, 200), (150, 235)))
    row = raw[r * (1 + 3 * w) + 1:(r + 1) * (1 + 3 * w)]
    for x in range(w):
        px = tuple(row[3 * x:3 * x + 3])
        colours.add(px)
        empty += px == sky or px == (0, 0, 0)
print("%.4f %d" % (empty / (w * h), len(colours)))
PY
}

n=0
# Five levels of both files: the command is checked against more than one
# shape of level.
for lv in freedoom1:E1M1:1254:133 freedoom1:E2M8:471:64 freedoom1:E3M2:832:125 freedoom2:MAP01:1666:198 \
  freedoom2:MAP21:1135:124; do
  IFS=: read -r wad level walls areas <<<"$lv"
  out="$("$KV" import-wad "$D/$wad.wad" "$level" "$T/$level.map")" || fail "import $level: $out"
  grep -q "became $walls walls and $areas areas" <<<"$out" || fail "$level counts: $out"
  info="$("$KV" info --json "$T/$level.map")" || fail "info $level"
  python3 -c "import json,sys; o=json.loads(sys.argv[1]); assert (o['walls'],o['areas'],o['viewpoints'],o['globals'])==($walls,$areas,1,6), o" \
    "$info" || fail "$level info: $info"
  "$KV" compile "$T/$level.map" "$T/$level.mpb" >/dev/null || fail "compile $level"
  grep -q "^OK [0-9]* pieces$" <<<"$("$KV" validate "$T/$level.mpb")" || fail "validate $level"
  out="$("$KV" render "$T/$level.mpb" "$T/$level.png")" || fail "render $level: $out"
  grep -q ", area [0-9]* Sector[0-9]*$" <<<"$out" || fail "$level viewer not inside an area: $out"
  read -r empty colours <<<"$(picture "$T/$level.png")"
  python3 -c "import sys; sys.exit(not (float('$empty') < 0.01 and $colours >= 64))" ||
    fail "$level picture: $empty of it sky or black, $colours colours"
  n=$((n + 1))
done
echo "$n levels imported, compiled, validated and rendered"

# Too large for a map: refused with the counts, nothing written, an existing
# file kept. A scale the map cannot hold is refused the same way.
echo keep >"$T/keep.map"
"$KV" import-wad "$D/freedoom1.wad" E1M2 "$T/keep.map" 2>"$T/err"; [ $? = 1 ] || fail "E1M2 not refused"
grep -q "needs 2961 walls and 318 areas" "$T/err" || fail "E1M2 message: $(cat "$T/err")"
[ "$(cat "$T/keep.map")" = keep ] || fail "a refused import changed the file"
"$KV" import-wad "$D/freedoom1.wad" E1M1 "$T/big.map" --scale 10 2>"$T/err"; [ $? = 1 ] || fail "scale 10"
grep -q "use a smaller scale" "$T/err" && [ ! -e "$T/big.map" ] || fail "scale 10: $(cat "$T/err")"
"$KV" import-wad "$D/freedoom1.wad" E9M9 "$T/x.map" 2>"$T/err"; [ $? = 1 ] || fail "missing level"
grep -q "no level named E9M9; its levels are E1M1, E1M2" "$T/err" || fail "missing level: $(cat "$T/err")"
"$KV" import-wad "$T/keep.map" E1M1 "$T/x.map" 2>/dev/null; [ $? = 1 ] || fail "not a WAD"
"$KV" import-wad "$D/freedoom1.wad" E1M1 "$T/x.map" --scale 0 2>/dev/null; [ $? = 2 ] || fail "scale 0 usage"
"$KV" import-wad "$D/freedoom1.wad" E1M1 2>/dev/null; [ $? = 2 ] || fail "two arguments"
[ ! -e "$T/x.map" ] || fail "a refused import wrote a file"
exit 0
