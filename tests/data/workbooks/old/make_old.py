#!/usr/bin/python3
"""Writes the old binary worksheet kinds (Excel 2, 3 and 4: BIFF2, BIFF3, BIFF4 worksheet files,
one stream, no compound file) following the published record layouts, with the same cells in
each: labels in code page 936, numbers, an integer, RK numbers, a date and a time by their number
formats, booleans, an error, and formulas with number, text and boolean results. Also cuts the
workbook streams of a file Excel wrote and of 300 sales documents saved as .xls by LibreOffice
inside their last cell record, as a file cut short in copying. Records beside each file what xlrd 1.2 reads in it (NAME.expected.json).

usage: /usr/bin/python3 make_old.py   (needs python3-xlrd, libreoffice-calc)
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import xlrd
from xlrd import compdoc

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "biff"))
from make_biff import compound_file, xlrd_oracle  # noqa: E402

FORMATS = ["General", "0", "0.00", "yyyy-mm-dd", "h:mm"]
GENERAL, INTEGER, DECIMAL, DATE, TIME = range(5)


def record(rid, data=b""):
    return struct.pack("<HH", rid, len(data)) + data


def text(s):
    return s.encode("gbk")


class Sheet:
    """The records of one worksheet file of BIFF version 2, 3 or 4."""

    def __init__(self, biff):
        self.biff = biff
        self.cells = b""

    def head(self, row, col, fmt):
        if self.biff == 2:  # cell attributes: XF index, format index (and font), alignment
            return struct.pack("<HHBBB", row, col, fmt, fmt, 0)
        return struct.pack("<HHH", row, col, fmt)  # the XF of the same number

    def number(self, row, col, value, fmt=GENERAL):
        self.cells += record(0x0003 if self.biff == 2 else 0x0203, self.head(row, col, fmt) + struct.pack("<d", value))

    def integer(self, row, col, value):
        if self.biff == 2:
            self.cells += record(0x0002, self.head(row, col, INTEGER) + struct.pack("<H", value))
        else:  # RK: an integer in its upper 30 bits
            self.cells += record(0x027E, self.head(row, col, INTEGER) + struct.pack("<i", (value << 2) | 2))

    def hundredths(self, row, col, value):
        """An RK number kept as hundredths (BIFF3 on); BIFF2 has no RK and writes a NUMBER."""
        if self.biff == 2:
            self.number(row, col, value / 100.0, DECIMAL)
        else:
            self.cells += record(0x027E, self.head(row, col, DECIMAL) + struct.pack("<i", (value << 2) | 3))

    def label(self, row, col, s):
        data = text(s)
        if self.biff == 2:
            self.cells += record(0x0004, self.head(row, col, GENERAL) + struct.pack("<B", len(data)) + data)
        else:
            self.cells += record(0x0204, self.head(row, col, GENERAL) + struct.pack("<H", len(data)) + data)

    def boolerr(self, row, col, value, error):
        self.cells += record(0x0005 if self.biff == 2 else 0x0205,
                             self.head(row, col, GENERAL) + struct.pack("<BB", value, 1 if error else 0))

    def formula(self, row, col, result, tokens, string=None):
        if self.biff == 2:
            data = self.head(row, col, GENERAL) + result + struct.pack("<BB", 0, len(tokens)) + tokens
            self.cells += record(0x0006, data)
        else:
            data = self.head(row, col, GENERAL) + result + struct.pack("<HH", 0, len(tokens)) + tokens
            self.cells += record(0x0206 if self.biff == 3 else 0x0406, data)
        if string is not None:
            data = text(string)
            length = struct.pack("<B" if self.biff == 2 else "<H", len(data))
            self.cells += record(0x0007 if self.biff == 2 else 0x0207, length + data)

    def bytes(self):
        bof = {2: record(0x0009, struct.pack("<HH", 0x0002, 0x0010)),
               3: record(0x0209, struct.pack("<HHH", 0x0000, 0x0010, 0)),
               4: record(0x0409, struct.pack("<HHH", 0x0000, 0x0010, 0))}[self.biff]
        out = bof + record(0x0042, struct.pack("<H", 936))
        for f in FORMATS:
            data = text(f)
            if self.biff == 4:
                out += record(0x041E, struct.pack("<HB", 0, len(data)) + data)
            else:
                out += record(0x001E, struct.pack("<B", len(data)) + data)
        font = struct.pack("<HH", 200, 0) + struct.pack("<B", 5) + b"Arial"
        out += record(0x0031, font if self.biff == 2 else struct.pack("<HHH", 200, 0, 0x7FFF) + font[4:])
        for i in range(len(FORMATS)):
            if self.biff == 2:
                out += record(0x0043, struct.pack("<BBBB", 0, 0, i, 0))
            elif self.biff == 3:
                out += record(0x0243, struct.pack("<BBBBHHI", 0, i, 0, 0, 0, 0, 0))
            else:
                out += record(0x0443, struct.pack("<BBHBBHI", 0, i, 0, 0, 0, 0, 0))
        dims = struct.pack("<HHHH", 0, 3, 0, 6) + (b"" if self.biff == 2 else b"\x00\x00")
        out += record(0x0000 if self.biff == 2 else 0x0200, dims)
        return out + self.cells + record(0x000A)


def special(kind, value=0):
    """A formula result that is no number: 0xFFFF in its last two bytes."""
    return struct.pack("<BBBBHH", kind, 0, value, 0, 0, 0xFFFF)


def old_sheet(biff):
    s = Sheet(biff)
    for col, caption in enumerate(["单号", "数量", "日期", "时间", "真假", "公式"]):
        s.label(0, col, caption)
    s.label(1, 0, "XS0001")
    s.number(1, 1, 12.5)
    s.number(1, 2, 45352.0, DATE)  # 2024-03-01
    s.number(1, 3, 0.5, TIME)  # 12:00
    s.boolerr(1, 4, 1, False)
    s.formula(1, 5, struct.pack("<d", 25.0), b"\x1E\x19\x00")  # =25
    s.label(2, 0, "中文备注")
    s.integer(2, 1, 7)
    s.boolerr(2, 2, 0x07, True)  # #DIV/0!
    # ASCII: xlrd counts a STRING record's length in characters, Excel in bytes.
    s.formula(2, 3, special(0), b"\x17\x05Total", string="Total")
    s.formula(2, 4, special(1, 0), b"\x1D\x00")  # =FALSE
    s.hundredths(2, 5, -25)  # -0.25
    return s.bytes()


def cut_in_last_cell(stream):
    """The stream cut in the middle of the last cell record of its last sheet, and that cell's
    reference."""
    cell_ids = {0x00FD, 0x0203, 0x0204, 0x0205, 0x027E, 0x00BD, 0x0006, 0x0207}
    at, last = 0, None
    while at + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, at)
        if rid in cell_ids and size >= 8:
            last = (at, size)
        at += 4 + size
    start, size = last
    return stream[:start + 4 + size // 2], struct.unpack_from("<HH", stream, start + 4)


def compound_file_cut(stream):
    """A compound file whose Workbook stream is exactly `stream` long (not padded to sectors)."""
    data = bytearray(compound_file(stream))
    size_at = len(data) - 512 + 128 + 0x78  # the second directory entry's stream size
    struct.pack_into("<I", data, size_at, len(stream))
    return bytes(data)


def libreoffice_xls(path):
    """The workbook saved as .xls by LibreOffice."""
    work = tempfile.mkdtemp()
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + work + "/profile", "--headless",
                        "--convert-to", "xls", "--outdir", work, path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(work, os.path.splitext(os.path.basename(path))[0] + ".xls"), "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(work, ignore_errors=True)


def import_workbook_xls():
    """300 sales documents of two lines each in the import's columns (A number, B buyer, F clerk,
    K goods, L quantity, M price, N amount), saved as .xls by LibreOffice."""
    import openpyxl
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Sheet1"
    sheet.append(["销售单据号", "客户名称", "合同编号", "出口通知书", "会计编号", "开票人", "发货通知书", "出口序号",
                  "核销单号", "备注", "品名及规格", "数量", "单价", "金额"])
    for d in range(1, 301):
        for quantity, price in ((1, 2), (2, 3)):
            sheet.append(["C%03d" % d, "客户%d" % d, None, None, None, "张三", None, None, None, None, "货物",
                          quantity, price, quantity * price])
    work = tempfile.mkdtemp()
    try:
        path = os.path.join(work, "cut-source.xlsx")
        book.save(path)
        return libreoffice_xls(path)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def write_with_oracle(name, data):
    path = os.path.join(HERE, name)
    with open(path, "wb") as f:
        f.write(data)
    oracle = xlrd_oracle(path)
    with open(path + ".expected.json", "w", encoding="utf-8") as f:
        json.dump(oracle, f, ensure_ascii=False, indent=1)
        f.write("\n")
    return oracle


def main():
    for biff in (2, 3, 4):
        oracle = write_with_oracle("biff%d.xls" % biff, old_sheet(biff))
        cells = {c["ref"]: c for c in oracle["sheets"][0]["cells"]}
        assert cells["A3"]["v"] == "中文备注" and cells["C2"]["t"] == "d" and cells["D3"]["v"] == "Total", cells
    workbooks = os.path.dirname(HERE)
    with open(os.path.join(workbooks, "xls_formula.xls"), "rb") as f:  # Excel's own, two sheets
        excel = f.read()
    for data, name in ((excel, "cut-short.xls"), (import_workbook_xls(), "cut-short-import.xls")):
        stream = compdoc.CompDoc(data).get_named_stream("Workbook")
        cut, (row, col) = cut_in_last_cell(stream)
        assert len(cut) >= 4096, (name, len(cut))
        # xlrd stops at the cut record without its cells: the oracle is its reading of the whole
        # file, less the cells of the record that was cut (a MULRK holds several of one row).
        path = os.path.join(HERE, name)
        with open(path, "wb") as f:
            f.write(data)
        oracle = xlrd_oracle(path)
        cells = oracle["sheets"][-1]["cells"]
        lost = [xlrd.cellname(row, c) for c in range(col, 256)]
        kept = [c for c in cells if c["ref"] not in lost]
        assert cells[-1]["ref"] in lost and len(kept) < len(cells), (name, row, col, cells[-1:])
        oracle["sheets"][-1]["cells"] = kept
        with open(path, "wb") as f:
            f.write(compound_file_cut(cut))
        if name == "cut-short-import.xls":  # the import's tests say what it holds
            continue
        with open(path + ".expected.json", "w", encoding="utf-8") as f:
            json.dump(oracle, f, ensure_ascii=False, indent=1)
            f.write("\n")


if __name__ == "__main__":
    main()
