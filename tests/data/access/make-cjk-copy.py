#!/usr/bin/env python3
"""Writes DateTestCjk.mdb: DateTestDatabase.mdb with two texts of row 2 rewritten in Chinese.

Nothing here writes Access files, so the Chinese texts are put in by hand, in the file's own
encoding: Jet 4 keeps a text as "FF FE" followed by one byte per character, and a 0 byte switches
to two bytes (UTF-16LE) per character. "Year 1999" (ShortTextCol) and "Year 9999" (LongTextCol)
take eleven bytes each, exactly as "FF FE 00" and four Chinese characters do, so no length or
offset in the file changes. A 0 byte inside a two-byte character would switch back, so the
characters are ones without one.
"""
import pathlib

here = pathlib.Path(__file__).parent
data = bytearray((here / "DateTestDatabase.mdb").read_bytes())
for old, new in (("Year 1999", "税务软件"), ("Year 9999", "出口发票")):
    before = b"\xff\xfe" + old.encode("ascii")
    after = b"\xff\xfe\x00" + new.encode("utf-16-le")
    assert len(before) == len(after) and data.count(before) == 1 and b"\0" not in after[3:], old
    at = data.index(before)
    data[at:at + len(before)] = after
(here / "DateTestCjk.mdb").write_bytes(bytes(data))
