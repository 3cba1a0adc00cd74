#!/usr/bin/python3
"""Export templates for the template-filler tests, written by openpyxl (an independent writer).

Run: /usr/bin/python3 make_templates.py  (writes the .xlsx files beside this script)

rich_template.xlsx   first sheet with captions, styles, widths, a merged range, a formula in A2,
                     cells beyond column O, a styled text column; a second and third sheet; a
                     calcChain part added afterwards (openpyxl does not write one, Excel does).
reordered.xlsx       the first sheet in workbook order is stored as sheet2.xml.
"""
import os
import shutil
import tempfile
import zipfile

from openpyxl import Workbook
from openpyxl.styles import Alignment, Font, PatternFill

HERE = os.path.dirname(os.path.abspath(__file__))


def rewrite_zip(path, change):
    """Rewrites the package through change(name, bytes) -> bytes or None (drop), plus extra parts."""
    tmp = tempfile.mktemp(suffix=".xlsx", dir=HERE)
    with zipfile.ZipFile(path) as src, zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as dst:
        extra = change(None, None) or {}
        for info in src.infolist():
            data = change(info.filename, src.read(info.filename))
            if data is not None:
                dst.writestr(info.filename, data)
        for name, data in extra.items():
            dst.writestr(name, data)
    shutil.move(tmp, path)


def rich():
    wb = Workbook()
    ws = wb.active
    ws.title = "导出"
    for col in range(1, 16):
        c = ws.cell(row=1, column=col, value="列%d" % col)
        c.font = Font(bold=True, color="FF0000")
        c.fill = PatternFill("solid", fgColor="FFFF00")
    ws["A2"] = "=1+1"
    ws["C2"] = 12.5
    ws["P1"] = "旁注"
    ws["P3"] = "保留P3"
    ws["P3"].font = Font(italic=True)
    ws["Q5"] = 42
    ws["A8"] = "第八行"
    ws.merge_cells("Q1:R2")
    ws["Q1"] = "合并"
    ws["Q1"].alignment = Alignment(horizontal="center")
    for letter, width in (("A", 21.5), ("E", 33), ("N", 44), ("P", 12)):
        ws.column_dimensions[letter].width = width
    ws.column_dimensions["F"].number_format = "@"
    ws.row_dimensions[1].height = 24
    other = wb.create_sheet("其他")
    other["A1"] = "别动"
    other["B2"] = 3.25
    third = wb.create_sheet("第三")
    third["C3"] = "也别动"
    path = os.path.join(HERE, "rich_template.xlsx")
    wb.save(path)

    calc_chain = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                  b'<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                  b'<c r="A2" i="1"/></calcChain>')

    def change(name, data):
        if name is None:
            return {"xl/calcChain.xml": calc_chain}
        if name == "[Content_Types].xml":
            return data.replace(b"</Types>", b'<Override PartName="/xl/calcChain.xml" ContentType='
                                b'"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/></Types>')
        if name == "xl/_rels/workbook.xml.rels":
            return data.replace(b"</Relationships>", b'<Relationship Id="rIdCalc" Type="http://schemas.'
                                b'openxmlformats.org/officeDocument/2006/relationships/calcChain" '
                                b'Target="calcChain.xml"/></Relationships>')
        return data

    rewrite_zip(path, change)


def reordered():
    wb = Workbook()
    first = wb.active
    first.title = "后"
    first["A1"] = "stored first, listed second"
    second = wb.create_sheet("前")
    second["A1"] = "stored second, listed first"
    path = os.path.join(HERE, "reordered.xlsx")
    wb.save(path)

    def change(name, data):
        if name == "xl/workbook.xml":
            a = data.index(b"<sheet ")
            b = data.index(b"/>", a) + 2
            c = data.index(b"<sheet ", b)
            d = data.index(b"/>", c) + 2
            return data[:a] + data[c:d] + data[a:b] + data[d:]
        return data

    rewrite_zip(path, change)


if __name__ == "__main__":
    rich()
    reordered()
