#!/bin/sh
# gifkit-test.sh GIFKIT WORKDIR: the command-line contract of gifkit on GIFs
# made here with ImageMagick.
set -eu
gifkit="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# A 2-frame animation: 8x6 then a 4x3 frame at (2,1), transparent, disposal 2.
convert-im6.q16 -size 8x6 xc:red f0.gif
convert-im6.q16 -size 4x3 xc:blue -transparent blue f1.gif
gifsicle --loopcount=3 --delay 7 f0.gif --disposal background --position 2,1 f1.gif > anim.gif 2>/dev/null

"$gifkit" info --json anim.gif > info.json
python3 - <<'PY'
import json
i = json.load(open("info.json"))
assert i["version"] == "89a", i
assert i["frame_count"] == len(i["frames"]) >= 2, i
assert i["loop_count"] == 3, i
for f in i["frames"]:
    for k in ("left", "top", "width", "height", "interlaced", "local_color_table_size",
              "transparent", "transparent_index", "delay", "disposal", "user_input", "extensions"):
        assert k in f, k
assert i["frames"][0]["delay"] == 7, i["frames"][0]
assert i["warnings"] == [], i["warnings"]
assert i["frames"][1]["disposal"] == 2 and i["frames"][1]["transparent"], i["frames"][1]
assert (i["frames"][1]["left"], i["frames"][1]["top"]) == (2, 1)
PY

"$gifkit" info anim.gif | grep -q "loop count: 3" || fail "text info"

"$gifkit" frames anim.gif -o out --png
python3 - <<'PY'
import json, os
i = json.load(open("info.json"))
for f in i["frames"]:
    stem = "out/frame-%03d" % f["index"]
    assert os.path.getsize(stem + ".idx") == f["width"] * f["height"], stem
    n = f["local_color_table_size"] or i["global_color_table_size"]
    assert os.path.getsize(stem + ".pal") == 3 * n, stem
    assert open(stem + ".png", "rb").read(8) == b"\x89PNG\r\n\x1a\n", stem
PY

# A load failure: exit 1 and the exception's text.
printf 'PNG-not-a-gif-file' > bad.gif
set +e
"$gifkit" info bad.gif > /dev/null 2> err.txt; rc=$?
set -e
[ "$rc" -eq 1 ] || fail "bad signature exit $rc"
grep -q "Invalid GIF signature" err.txt || fail "bad signature text"

# A warning goes to standard error and into the JSON.
printf 'GIF89a\001\000\001\000\000\000\000\054\000\000\000\000\001\000\001\000\000\002\002\104\001\000\077' > trailer.gif
"$gifkit" info --json trailer.gif > t.json 2> t.err
grep -q "Invalid Image trailer" t.err || fail "warning on stderr"
python3 -c "import json; w=json.load(open('t.json'))['warnings']; assert w[-1]=={'severity':'warning','message':'Invalid Image trailer'}, w"

# Bad usage: exit 2.
set +e
"$gifkit" frames anim.gif > /dev/null 2>&1; rc=$?
set -e
[ "$rc" -eq 2 ] || fail "usage exit $rc"
# copy: every frame re-encoded (LZW, RLE) reads back with the same
# description and the same indices and tables.
for mode in "" --rle; do
  "$gifkit" copy anim.gif -o "copy$mode.gif" $mode
  "$gifkit" info --json "copy$mode.gif" > "copy$mode.json"
  python3 -c "import json,sys; a=json.load(open('info.json')); b=json.load(open('copy$mode.json')); sys.exit(a != b)" ||
    fail "copy $mode description"
  rm -rf "copy$mode"; "$gifkit" frames "copy$mode.gif" -o "copy$mode"
  for f in out/frame-*.idx out/frame-*.pal; do cmp -s "$f" "copy$mode/$(basename "$f")" || fail "copy $mode $f"; done
done

# encode: a palette PNG keeps its palette and indices (ImageMagick sees the
# same colours), its transparent entry becomes the graphic control's.
convert-im6.q16 -size 40x30 plasma:red-blue -colors 5 PNG8:p8.png
convert-im6.q16 -size 20x10 xc:none -fill red -draw 'circle 10,5 10,2' PNG8:t.png
"$gifkit" encode p8.png -o p8.gif
"$gifkit" encode t.png -o t.gif --rle --interlace
for g in p8 t; do
  [ "$(compare-im6.q16 -metric AE $g.png $g.gif null: 2>&1)" = 0 ] || fail "encode $g colours"
done
"$gifkit" info --json t.gif > t-enc.json
python3 - <<'PY'
import json, struct
def chunks(path):
    d = open(path, "rb").read()[8:]
    while d:
        n, = struct.unpack(">I", d[:4]); yield d[4:8], d[8:8 + n]; d = d[12 + n:]
c = dict(chunks("t.png"))
i = json.load(open("t-enc.json")); f = i["frames"][0]
assert f["interlaced"] and f["transparent"], f
assert f["transparent_index"] == list(c[b"tRNS"]).index(0), (f, c[b"tRNS"])
assert i["global_color_table_size"] >= len(c[b"PLTE"]) // 3
PY
rm -rf p8out; "$gifkit" frames p8.gif -o p8out
python3 - <<'PY'
import struct
d = open("p8.png", "rb").read()[8:]; pal = None
while d:
    n, = struct.unpack(">I", d[:4])
    if d[4:8] == b"PLTE": pal = d[8:8 + n]
    d = d[12 + n:]
g = open("p8out/frame-000.pal", "rb").read()
assert g[:len(pal)] == pal and set(g[len(pal):]) <= {0}, "palette not kept"
PY

# A full-colour PNG is refused with a clear message.
convert-im6.q16 -size 20x10 plasma: PNG24:full.png
set +e
"$gifkit" encode full.png -o full.gif 2> err.txt; rc=$?
set -e
[ "$rc" -eq 1 ] || fail "full-colour exit $rc"
grep -q "Full-colour PNGs are not supported" err.txt || fail "full-colour text"
[ ! -e full.gif ] || fail "full-colour wrote a file"
echo "gifkit CLI: ok"
