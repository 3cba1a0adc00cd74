#!/usr/bin/python3
"""Writes the same workbook in every kind the import reads, each by a writer other than Corvina,
and records beside each file what an independent reader sees in it (NAME.expected.json).

  kinds.xlsx          openpyxl (the source of the others)
  kinds.ods           LibreOffice headless from kinds.xlsx
  kinds.xls           LibreOffice headless, "MS Excel 97" (BIFF8)
  kinds-936.xls       Gnumeric's ssconvert, Excel 95 (BIFF5) in a zh_CN.GBK locale: CODEPAGE 936
  kinds-1251.xls      the same in a ru_RU.CP1251 locale: CODEPAGE 1251
  kinds-1252.xls      the same in the C locale: CODEPAGE 1252
  kinds-nocp.xls      kinds-1252.xls with its CODEPAGE record renamed to a record no reader knows,
                      so the reader falls back to the version's default code page
  kinds.xml           XML Spreadsheet 2003, written by this script (LibreOffice's export of that
                      kind fails on this machine)

The oracle of every file is LibreOffice: it opens the file and saves it as .xlsx, which openpyxl
reads (cached values of formulas; dates by their number formats). LibreOffice 7.4 can no longer
write BIFF5, hence Gnumeric for those.

usage: /usr/bin/python3 make_kinds.py   (needs libreoffice-calc, gnumeric, locales' data)
"""
import datetime
import json
import os
import shutil
import subprocess
import tempfile

from openpyxl import Workbook, load_workbook

HERE = os.path.dirname(os.path.abspath(__file__))
TIME_FORMAT = "hh:mm:ss"
DURATION_FORMAT = "[h]:mm:ss"

# Rows of the first sheet: (row, [(column, value, number format or None)]). A formula is given
# as it is written in A1 and in R1C1 notation (the XML spreadsheet's), with its value.
SHEET1 = [
    (1, [(1, "文本", None), (2, "数字", None), (3, "真假", None), (4, "日期", None), (5, "日期时间", None),
         (6, "时间", None), (7, "空格", None), (8, "换行", None)]),
    (2, [(1, "中文文本", None), (2, 12.5, None), (3, True, None), (4, datetime.datetime(2024, 3, 5), "yyyy-mm-dd"),
         (5, datetime.datetime(2024, 3, 5, 14, 7, 9), "yyyy-mm-dd hh:mm:ss"),
         (6, datetime.time(15, 10, 10), TIME_FORMAT), (7, "  spaced  text ", None), (8, "a\nb", None)]),
    (3, [(1, "1001", None), (2, -3, None), (3, False, None), (4, 1e15, None), (5, 1.5e-5, None),
         (6, 123456789012, None), (7, 0.1 + 0.2, None), (8, "€é ü", None)]),
    (4, [(1, ("=B2*2", "=R[-2]C[1]*2", 25), None), (2, ('=A3&"x"', '=R[-1]C[-1]&"x"', "1001x"), None),
         (3, ("=1/0", "=1/0", "#DIV/0!"), None), (4, ("=B2>10", "=R[-2]C[-2]>10", True), None)]),
    (5, [(1, 0.25, "0%"), (2, 1234.5, "0.00"), (3, datetime.timedelta(days=1, hours=12), DURATION_FORMAT),
         (4, "a\tb", None), (5, "a    b", None), (6, datetime.time(0, 0, 1), TIME_FORMAT)]),
    (7, [(1, "after empty", None), (26, "far", None)]),
    (8, [(1, "same", None), (2, 1, None), (3, 1, None), (4, 1, None), (5, 1, None)]),
    (9, [(1, "same", None), (2, 1, None), (3, 1, None), (4, 1, None), (5, 1, None)]),
    (10, [(1, "same", None), (2, 1, None), (3, 1, None), (4, 1, None), (5, 1, None)]),
]
OTHER_SHEETS = [("другой", [(1, [(1, "Привет", None), (2, 3, None)])]),
                ("数据", [(1, [(1, "x", None)])])]


def soffice(*args):
    profile = tempfile.mkdtemp()
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless"] + list(args),
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def write_xlsx(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Sheet1"
    for sheet_name, rows in [("Sheet1", SHEET1)] + OTHER_SHEETS:
        if sheet_name != "Sheet1":
            ws = wb.create_sheet(sheet_name)
        for r, cells in rows:
            for c, value, fmt in cells:
                if isinstance(value, tuple):
                    value = value[0]
                cell = ws.cell(row=r, column=c, value=value)
                if fmt:
                    cell.number_format = fmt
    wb.save(path)


def esc(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")
            .replace("\n", "&#10;").replace("\t", "&#9;"))


def serial_iso(value):
    """Excel's DateTime text: times of day on 1899-12-31, durations counted from it."""
    if isinstance(value, datetime.time):
        return "1899-12-31T%02d:%02d:%02d.000" % (value.hour, value.minute, value.second)
    if isinstance(value, datetime.timedelta):
        return (datetime.datetime(1899, 12, 31) + value).strftime("%Y-%m-%dT%H:%M:%S.000")
    return value.strftime("%Y-%m-%dT%H:%M:%S.000")


def write_xml2003(path):
    styles = {"yyyy-mm-dd": "s21", "yyyy-mm-dd hh:mm:ss": "s22", TIME_FORMAT: "s23", DURATION_FORMAT: "s24",
              "0%": "s25", "0.00": "s26"}
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<?mso-application progid="Excel.Sheet"?>',
           '<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" '
           'xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:x="urn:schemas-microsoft-com:office:excel" '
           'xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet" xmlns:html="http://www.w3.org/TR/REC-html40">',
           ' <Styles>', '  <Style ss:ID="Default" ss:Name="Normal"><Alignment ss:Vertical="Bottom"/></Style>']
    for fmt, sid in styles.items():
        out.append('  <Style ss:ID="%s"><NumberFormat ss:Format="%s"/></Style>' % (sid, esc(fmt)))
    out.append(" </Styles>")
    for sheet_name, rows in [("Sheet1", SHEET1)] + OTHER_SHEETS:
        out.append(' <Worksheet ss:Name="%s">' % esc(sheet_name))
        out.append("  <Table>")
        last_row = 0
        for r, cells in rows:
            attrs = ' ss:Index="%d"' % r if r != last_row + 1 else ""
            out.append("   <Row%s>" % attrs)
            last_col = 0
            for c, value, fmt in cells:
                attrs = ' ss:Index="%d"' % c if c != last_col + 1 else ""
                if fmt:
                    attrs += ' ss:StyleID="%s"' % styles[fmt]
                if isinstance(value, tuple):
                    _, formula, value = value
                    attrs += ' ss:Formula="%s"' % esc(formula)
                if isinstance(value, bool):
                    data = ("Boolean", "1" if value else "0")
                elif isinstance(value, (int, float)):
                    data = ("Number", repr(value))
                elif isinstance(value, (datetime.datetime, datetime.time, datetime.timedelta)):
                    data = ("DateTime", serial_iso(value))
                elif value.startswith("#"):
                    data = ("Error", value)
                else:
                    data = ("String", esc(value))
                out.append('    <Cell%s><Data ss:Type="%s">%s</Data></Cell>' % (attrs, data[0], data[1]))
                last_col = c
            out.append("   </Row>")
            last_row = r
        out.append("  </Table>")
        out.append(' </Worksheet>')
    out.append("</Workbook>")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def gnumeric_biff5(source, target, locale):
    env = dict(os.environ)
    locales = tempfile.mkdtemp()
    try:
        if locale != "C":
            name, charset = locale.split(".")
            subprocess.run(["localedef", "-i", name, "-f", charset, os.path.join(locales, locale)], check=True)
        env.update(LOCPATH=locales, LC_ALL=locale)
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff7", source, target], check=True, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(locales, ignore_errors=True)


def without_codepage(source, target):
    """The workbook stream's CODEPAGE record (id 0x0042, 2 bytes) gets an id no reader knows."""
    data = bytearray(open(source, "rb").read())
    at = data.find(b"\x42\x00\x02\x00")
    assert at > 0
    data[at:at + 2] = b"\x42\x10"
    open(target, "wb").write(bytes(data))


def cell_json(cell):
    v = cell.value
    if cell.data_type == "e":
        return "e", v
    if isinstance(v, bool):
        return "b", v
    if isinstance(v, (int, float)):
        return "n", v
    if isinstance(v, datetime.timedelta):
        days = v.total_seconds() / 86400
        base = datetime.datetime(1899, 12, 31) if days < 60 else datetime.datetime(1899, 12, 30)
        return "d", (base + v).isoformat()
    if isinstance(v, datetime.datetime):
        return "d", v.isoformat()
    if isinstance(v, datetime.time):
        return "d", v.isoformat()
    return "s", v


def oracle(path):
    out_dir = tempfile.mkdtemp()
    try:
        soffice("--convert-to", "xlsx", "--outdir", out_dir, path)
        converted = os.path.join(out_dir, os.path.splitext(os.path.basename(path))[0] + ".xlsx")
        wb = load_workbook(converted, data_only=True)
        sheets = []
        for ws in wb.worksheets:
            cells = []
            for row in ws.iter_rows():
                for cell in row:
                    if cell.value is None or cell.value == "":
                        continue
                    t, v = cell_json(cell)
                    cells.append({"ref": cell.coordinate, "t": t, "v": v})
            sheets.append({"sheet": ws.title, "cells": cells})
        return {"reader": "LibreOffice 7.4 (saved as .xlsx, read by openpyxl 3.0.9)", "sheets": sheets}
    finally:
        shutil.rmtree(out_dir, ignore_errors=True)


def main():
    work = tempfile.mkdtemp()
    try:
        source = os.path.join(HERE, "kinds.xlsx")
        write_xlsx(source)
        soffice("--convert-to", "ods", "--outdir", HERE, source)
        soffice("--convert-to", "xls:MS Excel 97", "--outdir", HERE, source)
        for locale, name in (("zh_CN.GBK", "kinds-936.xls"), ("ru_RU.CP1251", "kinds-1251.xls"),
                             ("C", "kinds-1252.xls")):
            gnumeric_biff5(source, os.path.join(HERE, name), locale)
        without_codepage(os.path.join(HERE, "kinds-1252.xls"), os.path.join(HERE, "kinds-nocp.xls"))
        write_xml2003(os.path.join(HERE, "kinds.xml"))
        for name in ("kinds.xlsx", "kinds.ods", "kinds.xls", "kinds-936.xls", "kinds-1251.xls", "kinds-1252.xls",
                     "kinds-nocp.xls", "kinds.xml"):
            with open(os.path.join(HERE, name + ".expected.json"), "w", encoding="utf-8") as f:
                json.dump(oracle(os.path.join(HERE, name)), f, ensure_ascii=False, indent=1)
                f.write("\n")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
