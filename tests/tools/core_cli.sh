#!/usr/bin/env bash
# kv3dmap new and info: output, JSON, exit codes.
set -u
KV="$1"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$KV" new "$T/a.map" || fail "new"
[ "$(stat -c %s "$T/a.map")" = 742 ] || fail "new map is not 742 bytes"

out="$("$KV" info "$T/a.map")" || fail "info"
grep -q "Walls:      0" <<<"$out" || fail "info walls: $out"
grep -q "type 4 (globals) at position 99" <<<"$out" || fail "info directory: $out"
grep -q "Gravity" <<<"$out" || fail "info globals"

json="$("$KV" info --json "$T/a.map")" || fail "info --json"
python3 - "$json" <<'PY' || fail "json content"
import json, sys
o = json.loads(sys.argv[1])
assert o["walls"] == 0 and o["areas"] == 0 and o["viewpoints"] == 0 and o["globals"] == 6, o
assert o["viewer"] == {"x": 200, "y": 200, "z": 64, "dir": 0}, o["viewer"]
assert [s["type"] for s in o["sections"]] == [1, 2, 3, 4]
assert [s["position"] for s in o["sections"]] == [65, 91, 95, 99]
assert [g["id"] for g in o["globalList"]] == list(range(12000, 12006))
assert o["globalList"][5] == {"id": 12005, "name": "Gravity", "value": 1}
PY

# Unreadable files: one line on standard error, exit status 1.
"$KV" info "$T/missing.map" 2>"$T/err"; [ $? = 1 ] || fail "missing file status"
[ "$(wc -l <"$T/err")" = 1 ] || fail "missing file message: $(cat "$T/err")"
python3 -c "import sys; sys.stdout.buffer.write(bytes([0xAB]) * 100)" >"$T/junk.map"
"$KV" info "$T/junk.map" 2>"$T/err"; [ $? = 1 ] || fail "junk file status"
[ "$(wc -l <"$T/err")" = 1 ] || fail "junk message"
"$KV" new "$T/no/such/dir/x.map" 2>/dev/null; [ $? = 1 ] || fail "unwritable new"

# Names are code page text, paths the file system's bytes: a name with bytes
# above 127 and a control character, in a file whose path is not ASCII and
# holds a backslash.
C="$T/caf\\é.map"
"$KV" new "$C" || fail "new $C"
python3 - "$C" <<'PY'
import sys
p = sys.argv[1]
b = bytearray(open(p, "rb").read())
at = 98 + 4 + 5 * 64 + 8  # the name of "Gravity"
b[at:at + 16] = b"Caf\xe9\x1b[2J\x80".ljust(16)
open(p, "wb").write(b)
PY
python3 - "$("$KV" info --json "$C")" "$C" <<'PY' || fail "json names and paths"
import json, sys
o = json.loads(sys.argv[1])
assert o["file"] == sys.argv[2], o["file"]
assert o["globalList"][5]["name"] == "Caf\u00e9\u001b[2J\u20ac", o["globalList"][5]
PY
out="$("$KV" info "$C")"
grep -qF 'Café\u001b[2J€' <<<"$out" || fail "plain name: $out"
! grep -q $'\e' <<<"$out" || fail "a control character reached the terminal"
grep -qF "File:       $T/caf\\\\é.map" <<<"$out" || fail "plain path: $out"

# Files that are no maps: a folder, a pipe (without a hang); "--" ends the
# options.
"$KV" info "$T" 2>"$T/err"; [ $? = 1 ] || fail "folder status"
grep -q "it is a folder" "$T/err" || fail "folder message: $(cat "$T/err")"
mkfifo "$T/pipe.map"
timeout 10 "$KV" info "$T/pipe.map" 2>"$T/err"; [ $? = 1 ] || fail "pipe status"
grep -q "not a regular file" "$T/err" || fail "pipe message: $(cat "$T/err")"
timeout 10 "$KV" room "$T/pipe.map" 2>/dev/null; [ $? = 1 ] || fail "room on a pipe"
(cd "$T" && "$KV" new -- --odd.map && "$KV" info --json -- --odd.map >/dev/null) || fail "-- before a file name"
[ -f "$T/--odd.map" ] || fail "-- file"

# Wrong usage: exit status 2 with the usage text.
"$KV" 2>/dev/null; [ $? = 2 ] || fail "no arguments"
"$KV" info 2>"$T/err"; [ $? = 2 ] || fail "info without file"
grep -q "Usage: kv3dmap info" "$T/err" || fail "usage text"
"$KV" info --bogus "$T/a.map" 2>/dev/null; [ $? = 2 ] || fail "unknown option"
"$KV" frobnicate 2>/dev/null; [ $? = 2 ] || fail "unknown command"
"$KV" --help | grep -q "kv3dmap info" || fail "help"
echo "core cli: ok"
