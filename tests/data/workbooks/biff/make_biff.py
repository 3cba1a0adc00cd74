#!/usr/bin/python3
"""Writes binary workbooks whose shared-string table is cut into CONTINUE records at every kind
of boundary the format allows, as a bare workbook stream and inside a compound file, and unwraps
the workbook streams of two files other programs wrote (bare BIFF8 from LibreOffice, bare BIFF5
from Gnumeric). Records beside each file what xlrd 1.2 reads in it (NAME.expected.json) and checks
that LibreOffice reads the same texts; xlrd cannot pass an empty CONTINUE record, so for the file
that has them LibreOffice is the oracle.

usage: /usr/bin/python3 make_biff.py   (needs python3-xlrd, libreoffice-calc)
"""
import json
import os
import shutil
import struct
import subprocess
import tempfile

import xlrd
from xlrd import compdoc

HERE = os.path.dirname(os.path.abspath(__file__))
KINDS = os.path.join(os.path.dirname(HERE), "kinds")


def record(rid, data=b""):
    return struct.pack("<HH", rid, len(data)) + data


class Sst:
    """The SST record and its CONTINUE records, cut where the cases below ask."""

    def __init__(self, count):
        self.records = [bytearray(struct.pack("<II", count, count))]

    def put(self, data):
        self.records[-1] += data

    def cut(self, flags=None):
        self.records.append(bytearray() if flags is None else bytearray([flags]))

    def bytes(self):
        out = record(0x00FC, bytes(self.records[0]))
        for r in self.records[1:]:
            out += record(0x003C, bytes(r))
        return out


def header(text, flags, runs=0, ext=0):
    out = struct.pack("<HB", len(text), flags)
    if flags & 0x08:
        out += struct.pack("<H", runs)
    if flags & 0x04:
        out += struct.pack("<I", ext)
    return out


STRINGS = []


def shared_strings(empty_records):
    del STRINGS[:]
    s = Sst(10 if empty_records else 8)
    # 1. A string in one piece.
    STRINGS.append("plain")
    s.put(header("plain", 0) + b"plain")
    # 2. Wide characters cut in the middle: the CONTINUE restates the width.
    text = "中文字符串跨越记录"
    STRINGS.append(text)
    s.put(header(text, 1) + text[:4].encode("utf-16-le"))
    s.cut(0x01)
    s.put(text[4:].encode("utf-16-le"))
    # 3. Compressed characters going on as wide ones after the cut.
    text = "latin then 宽字符"
    STRINGS.append(text)
    s.put(header(text, 0) + text[:11].encode("latin-1"))
    s.cut(0x01)
    s.put(text[11:].encode("utf-16-le"))
    # 4. The header ends the record: the characters start the CONTINUE, after their flags byte.
    text = "boundary"
    STRINGS.append(text)
    s.put(header(text, 0))
    s.cut(0x00)
    s.put(text.encode("latin-1"))
    # 5. Rich text: its runs (4 bytes each) go on in the next record, which has no flags byte.
    text = "rich text"
    STRINGS.append(text)
    runs = struct.pack("<HH", 0, 1) + struct.pack("<HH", 5, 2)
    s.put(header(text, 0x08, runs=2) + text.encode("latin-1") + runs[:4])
    s.cut()
    s.put(runs[4:])
    # 6. A phonetic block cut in two.
    text = "ふりがな付き"
    STRINGS.append(text)
    ext = struct.pack("<HHHHH", 1, 6, 0, 0, 0) + b"\x00" * 8
    s.put(header(text, 0x05, ext=len(ext)) + text.encode("utf-16-le") + ext[:5])
    s.cut()
    s.put(ext[5:])
    # 7. An empty CONTINUE between two strings.
    if empty_records:
        s.cut()
        s.cut()
        STRINGS.append("after an empty record")
        s.put(header(STRINGS[-1], 0) + STRINGS[-1].encode("latin-1"))
    # 8. Rich text and a phonetic block both, the characters ending the record.
    text = "both"
    STRINGS.append(text)
    runs = struct.pack("<HH", 1, 1)
    ext = b"\x01\x00\x02\x00" + b"\x00" * 6
    s.put(header(text, 0x0C, runs=1, ext=len(ext)) + text.encode("latin-1"))
    s.cut()
    s.put(runs + ext)
    # 9. Characters cut, then an empty CONTINUE, then the rest with its flags byte.
    if empty_records:
        text = "cut twice"
        STRINGS.append(text)
        s.put(header(text, 0) + b"cut ")
        s.cut()
        s.cut(0x00)
        s.put(b"twice")
    # 10. A long string over several records, wide, each cut restating its width.
    text = "长" * 5000
    STRINGS.append(text)
    data = text.encode("utf-16-le")
    s.put(header(text, 1) + data[:8000])
    s.cut(0x01)
    s.put(data[8000:])
    return s.bytes()


def workbook_stream(empty_records=False):
    fonts = b"".join(record(0x0031, struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) +
                            struct.pack("<BB", 5, 0) + b"Arial") for _ in range(4))
    style_xf = record(0x00E0, struct.pack("<HHH", 0, 0, 0xFFF5) + b"\x20\x00" + b"\x00" * 12)
    cell_xf = record(0x00E0, struct.pack("<HHH", 0, 0, 0x0001) + b"\x20\x00" + b"\x00" * 12)
    sst = shared_strings(empty_records)
    name = "Sheet1".encode("latin-1")

    def globals_with(offset):
        return (record(0x0809, struct.pack("<HHHHII", 0x0600, 0x0005, 0x0DBB, 0x07CC, 0, 6)) +
                record(0x0042, struct.pack("<H", 1200)) + fonts + style_xf * 15 + cell_xf +
                record(0x0085, struct.pack("<IBB", offset, 0, 0) + struct.pack("<BB", len(name), 0) + name) +
                sst + record(0x000A))

    offset = len(globals_with(0))
    cells = b"".join(record(0x00FD, struct.pack("<HHHI", row, 0, 15, row)) for row in range(len(STRINGS)))
    sheet = (record(0x0809, struct.pack("<HHHHII", 0x0600, 0x0010, 0x0DBB, 0x07CC, 0, 6)) +
             record(0x0200, struct.pack("<IIHHH", 0, len(STRINGS), 0, 1, 0)) + cells + record(0x000A))
    return globals_with(offset) + sheet


def column_order_stream():
    """A sheet of three rows whose cells come column by column: text, number (RK), text."""
    fonts = b"".join(record(0x0031, struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) +
                            struct.pack("<BB", 5, 0) + b"Arial") for _ in range(4))
    style_xf = record(0x00E0, struct.pack("<HHH", 0, 0, 0xFFF5) + b"\x20\x00" + b"\x00" * 12)
    cell_xf = record(0x00E0, struct.pack("<HHH", 0, 0, 0x0001) + b"\x20\x00" + b"\x00" * 12)
    name = b"Sheet1"

    def label(row, col, text):
        data = text.encode("latin-1")
        return record(0x0204, struct.pack("<HHHHB", row, col, 15, len(data), 0) + data)

    def rk(row, col, value):
        return record(0x027E, struct.pack("<HHHI", row, col, 15, (value << 2) | 2))

    cells = b"".join(label(r, 0, "r%dc1" % (r + 1)) for r in range(3))
    cells += b"".join(rk(r, 1, r + 1) for r in range(3))
    cells += b"".join(label(r, 2, "r%dc3" % (r + 1)) for r in range(3))
    sheet = (record(0x0809, struct.pack("<HHHHII", 0x0600, 0x0010, 0x0DBB, 0x07CC, 0, 6)) +
             record(0x0200, struct.pack("<IIHHH", 0, 3, 0, 3, 0)) + cells + record(0x000A))

    def globals_with(offset):
        return (record(0x0809, struct.pack("<HHHHII", 0x0600, 0x0005, 0x0DBB, 0x07CC, 0, 6)) +
                record(0x0042, struct.pack("<H", 1200)) + fonts + style_xf * 15 + cell_xf +
                record(0x0085, struct.pack("<IBB", offset, 0, 0) + struct.pack("<BB", len(name), 0) + name) +
                record(0x000A))

    stream = globals_with(len(globals_with(0))) + sheet
    return stream + b"\x00" * max(0, 4096 - len(stream))  # kept out of the mini stream


def compound_file(stream, name="Workbook"):
    """A version 3 compound file: the stream's sectors, the allocation table, the directory."""
    assert len(stream) >= 4096  # kept out of the mini stream
    stream += b"\x00" * (-len(stream) % 512)
    data_sectors = len(stream) // 512
    fat_sectors = 1
    while (data_sectors + fat_sectors + 1) > fat_sectors * 128:
        fat_sectors += 1
    fat = list(range(1, data_sectors)) + [0xFFFFFFFE]
    fat += [0xFFFFFFFD] * fat_sectors + [0xFFFFFFFE]
    fat += [0xFFFFFFFF] * (fat_sectors * 128 - len(fat))
    directory_sector = data_sectors + fat_sectors

    def entry(entry_name, kind, child, start, size):
        encoded = (entry_name + "\x00").encode("utf-16-le")
        return (encoded.ljust(64, b"\x00") + struct.pack("<HBB", len(encoded), kind, 1) +
                struct.pack("<III", 0xFFFFFFFF, 0xFFFFFFFF, child) + b"\x00" * 36 + struct.pack("<II", start, size) +
                b"\x00" * 4)

    directory = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry(name, 2, 0xFFFFFFFF, 0, len(stream)) + b"\x00" * 256
    head = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\x00" * 16 + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) +
            b"\x00" * 6 + struct.pack("<IIIIIIIIII", 0, fat_sectors, directory_sector, 0, 4096, 0xFFFFFFFE, 0,
                                      0xFFFFFFFE, 0, 0)[:40])
    head = head[:0x4C]
    difat = [data_sectors + i for i in range(fat_sectors)] + [0xFFFFFFFF] * (109 - fat_sectors)
    head += struct.pack("<109I", *difat)
    return head + stream + struct.pack("<%dI" % len(fat), *fat) + directory


def xlrd_oracle(path):
    book = xlrd.open_workbook(path)
    sheets = []
    for sh in book.sheets():
        cells = []
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                ref = xlrd.cellname(r, c)
                if cell.ctype == xlrd.XL_CELL_TEXT and cell.value != "":
                    cells.append({"ref": ref, "t": "s", "v": cell.value})
                elif cell.ctype == xlrd.XL_CELL_NUMBER:
                    cells.append({"ref": ref, "t": "n", "v": cell.value})
                elif cell.ctype == xlrd.XL_CELL_DATE:
                    when = xlrd.xldate.xldate_as_datetime(cell.value, book.datemode)
                    cells.append({"ref": ref, "t": "d", "v": when.isoformat()})
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    cells.append({"ref": ref, "t": "b", "v": bool(cell.value)})
                elif cell.ctype == xlrd.XL_CELL_ERROR:
                    cells.append({"ref": ref, "t": "e", "v": xlrd.error_text_from_code[cell.value]})
        sheets.append({"sheet": sh.name, "cells": cells})
    return {"reader": "xlrd %s" % xlrd.__VERSION__, "sheets": sheets}


def libreoffice_texts(path):
    work = tempfile.mkdtemp()
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + work + "/profile", "--headless",
                        "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", work, path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        out = os.path.join(work, os.path.splitext(os.path.basename(path))[0] + ".csv")
        return open(out, encoding="utf-8").read() if os.path.exists(out) else None
    finally:
        shutil.rmtree(work, ignore_errors=True)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    # Cut where xlrd can follow: its reading is the oracle, and LibreOffice must agree.
    stream = workbook_stream()
    write("continue-bare.xls", stream)
    write("continue.xls", compound_file(stream))
    for name in ("continue-bare.xls", "continue.xls"):
        path = os.path.join(HERE, name)
        oracle = xlrd_oracle(path)
        texts = [c["v"] for c in oracle["sheets"][0]["cells"]]
        assert texts == STRINGS, (name, texts)
        with open(path + ".expected.json", "w", encoding="utf-8") as f:
            json.dump(oracle, f, ensure_ascii=False, indent=1)
            f.write("\n")
        csv = libreoffice_texts(path)
        assert csv and all(t in csv for t in STRINGS), (name, csv)
    # Empty CONTINUE records, which xlrd cannot pass: LibreOffice is the oracle.
    write("continue-empty.xls", compound_file(workbook_stream(empty_records=True)))
    csv = libreoffice_texts(os.path.join(HERE, "continue-empty.xls"))
    rows = [line.strip('"') for line in csv.splitlines()]
    assert rows == STRINGS, rows
    oracle = {"reader": "LibreOffice 7.4 (as CSV)",
              "sheets": [{"sheet": "Sheet1", "cells": [{"ref": "A%d" % (i + 1), "t": "s", "v": t}
                                                       for i, t in enumerate(rows)]}]}
    with open(os.path.join(HERE, "continue-empty.xls.expected.json"), "w", encoding="utf-8") as f:
        json.dump(oracle, f, ensure_ascii=False, indent=1)
        f.write("\n")
    # Cells written column by column, as some exporters do: rows come back to earlier numbers.
    write("column-order.xls", compound_file(column_order_stream()))
    path = os.path.join(HERE, "column-order.xls")
    oracle = xlrd_oracle(path)
    with open(path + ".expected.json", "w", encoding="utf-8") as f:
        json.dump(oracle, f, ensure_ascii=False, indent=1)
        f.write("\n")
    csv = libreoffice_texts(path)
    assert csv and csv.splitlines()[:3] == ["r1c1,1,r1c3", "r2c1,2,r2c3", "r3c1,3,r3c3"], csv
    # Workbook streams other programs wrote, taken out of their compound files.
    with open(os.path.join(KINDS, "kinds.xls"), "rb") as f:
        write("kinds-bare.xls", compdoc.CompDoc(f.read()).get_named_stream("Workbook"))
    with open(os.path.join(KINDS, "kinds-936.xls"), "rb") as f:
        write("kinds-936-bare.xls", compdoc.CompDoc(f.read()).get_named_stream("Book"))


if __name__ == "__main__":
    main()
