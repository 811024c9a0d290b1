"""zlbtool against the independent format module, in both directions.

Usage: interop_test.py ZLBTOOL
"""
import os
import random
import subprocess
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zlbformat  # noqa: E402

TOOL = None


def run(*args, ok=True):
    p = subprocess.run([TOOL] + list(args), capture_output=True)
    if ok and p.returncode != 0:
        raise AssertionError("%s: %d %s" % (args, p.returncode, p.stderr.decode(errors="replace")))
    return p


def text(n, seed):
    r = random.Random(seed)
    words = [b"archive ", b"member ", b"registry ", b"trailer ", b"zlib\r\n"]
    out = b"".join(r.choice(words) for _ in range(n // 4 + 1))
    return out[:n]


def noise(n, seed):
    return random.Random(seed).randbytes(n)


class ToolReadsPythonArchives(unittest.TestCase):
    def check(self, members, **kw):
        with tempfile.TemporaryDirectory() as d:
            arc = os.path.join(d, "py.zlb")
            with open(arc, "wb") as f:
                f.write(zlbformat.build(members, **kw))
            run("verify", arc)
            listing = run("list", arc).stdout.decode("utf-8").splitlines()
            self.assertEqual(listing, [p + n for n, p, _ in members])
            out = os.path.join(d, "out")
            run("extract", "-C", out, "--with-paths", "--check-crc", arc)
            for name, path, content in members:
                host = os.path.join(out, *[x for x in path.split("\\") if x], name)
                with open(host, "rb") as f:
                    self.assertEqual(f.read(), content, name)

    def test_levels_and_registry_forms(self):
        members = [("a.txt", "", text(20000, 1)), ("noise.bin", "", noise(3000, 2)),
                   ("empty", "", b""), ("caf\u00e9.txt", "sub\\deeper\\", text(500, 3))]
        for level in range(4):
            for compressed in (True, False):
                with self.subTest(level=level, compressed=compressed):
                    self.check(members, level=level, compress_registry=compressed)

    def test_empty_registry(self):
        self.check([])

    def test_verify_names_a_damaged_member(self):
        data = bytearray(zlbformat.build([("good.txt", "", text(100, 4)), ("bad.bin", "", noise(100, 5))]))
        data[150] ^= 1  # inside bad.bin, stored plain
        data[-36:-32] = zlib.crc32(bytes(data[:-36])).to_bytes(4, "little")
        with tempfile.TemporaryDirectory() as d:
            arc = os.path.join(d, "bad.zlb")
            with open(arc, "wb") as f:
                f.write(bytes(data))
            p = run("verify", arc, ok=False)
            self.assertEqual(p.returncode, 1)
            self.assertIn(b"bad.bin: File (1) failed CRC check", p.stderr)
            self.assertNotIn(b"good.txt", p.stderr)


class PythonReadsToolArchives(unittest.TestCase):
    def test_created_archives_follow_the_tables(self):
        with tempfile.TemporaryDirectory() as d:
            src = os.path.join(d, "src")
            files = {"t.txt": text(70000, 6), "n.bin": noise(5000, 7), "z": b"",
                     os.path.join("deep", "caf\u00e9.txt"): text(300, 8)}
            for rel, content in files.items():
                os.makedirs(os.path.dirname(os.path.join(src, rel)), exist_ok=True)
                with open(os.path.join(src, rel), "wb") as f:
                    f.write(content)
            for level, name in enumerate(["none", "fastest", "default", "maximum"]):
                with self.subTest(level=name):
                    arc = os.path.join(d, name + ".zlb")
                    run("create", "--level", name, "--save-paths", "--recurse", arc, src)
                    a = zlbformat.read(arc)
                    self.assertEqual(a.constant, 1)
                    self.assertEqual(a.registry_compressed, 1)
                    self.assertEqual(a.reserved, bytes(15))
                    self.assertEqual(a.registry_size, len(a.data) - 36 - a.registry_offset)
                    offset = 0
                    for k, e in enumerate(a.entries):
                        self.assertEqual(e.offset, offset)
                        offset += e.stored_size
                        self.assertEqual(e.level, 0 if e.stored else level)
                        if e.stored:
                            self.assertEqual(e.stored_size, e.size)
                        else:
                            self.assertLess(e.stored_size, e.size)
                            if level:
                                self.assertEqual(a.data[e.offset + 1] >> 6, {1: 0, 2: 2, 3: 3}[level])
                        self.assertTrue(e.path.endswith("src\\") or e.path.endswith("src\\deep\\"), e.path)
                        self.assertNotIn(":", e.path)
                        rel = ("deep" + os.sep if e.path.endswith("deep\\") else "") + e.name
                        self.assertEqual(a.member(k), files[rel])
                    self.assertEqual(offset, a.registry_offset)
                    self.assertEqual(sorted(e.name for e in a.entries), sorted(os.path.basename(f) for f in files))
                    z = [e for e in a.entries if e.name == "z"][0]
                    self.assertEqual((z.stored, z.stored_size, z.crc), (1, 0, 0))

    def test_add_appends_and_refuses_duplicates(self):
        with tempfile.TemporaryDirectory() as d:
            for n in ("one.txt", "two.txt"):
                with open(os.path.join(d, n), "wb") as f:
                    f.write(text(1000, len(n)))
            arc = os.path.join(d, "a.zlb")
            run("create", arc, os.path.join(d, "one.txt"))
            before = zlbformat.read(arc)
            run("add", arc, os.path.join(d, "two.txt"))
            a = zlbformat.read(arc)
            self.assertEqual([e.name for e in a.entries], ["one.txt", "two.txt"])
            end = before.registry_offset  # the old member data is kept as it was
            self.assertEqual(a.entries[1].offset, end)
            self.assertEqual(a.data[:end], before.data[:end])
            p = run("add", arc, os.path.join(d, "ONE.TXT"), ok=False)
            self.assertEqual((p.returncode, p.stderr), (1, b"zlbtool: File already exists\n"))
            p = run("create", arc, os.path.join(d, "one.txt"), ok=False)
            self.assertEqual(p.returncode, 1)
            self.assertEqual(run("list", "--bogus", arc, ok=False).returncode, 2)

    def test_create_from_empty_folder_writes_an_empty_archive(self):
        with tempfile.TemporaryDirectory() as d:
            os.mkdir(os.path.join(d, "empty"))
            arc = os.path.join(d, "new.zlb")
            run("create", arc, os.path.join(d, "empty"))
            self.assertEqual(os.path.getsize(arc), 0)
            self.assertEqual(run("list", arc).stdout, b"")
            run("verify", arc)


if __name__ == "__main__":
    TOOL = os.path.abspath(sys.argv.pop(1))
    unittest.main()
