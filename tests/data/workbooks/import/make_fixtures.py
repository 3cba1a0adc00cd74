#!/usr/bin/python3
"""Writes the import test workbooks with openpyxl (an independent writer).

Run with the system python: /usr/bin/python3 make_fixtures.py
openpyxl stores formulas without their results (formulas.xlsx). LibreOffice computes them
when it saves the .xls and .ods twins and the calculated .xlsx; Gnumeric writes the Excel 95 twin
(LibreOffice no longer writes that kind); the XML spreadsheet twin is written below:
  soffice --headless --convert-to xls formulas.xlsx
  soffice --headless --convert-to ods formulas.xlsx
  soffice --headless --convert-to xlsx --outdir /tmp/lo formulas.xlsx
  cp /tmp/lo/formulas.xlsx formulas_calculated.xlsx
  ssconvert -T Gnumeric_Excel:excel_biff7 formulas_calculated.xlsx formulas-95.xls   (zh_CN.GBK locale)
"""
import datetime
import os
import zipfile

from openpyxl import Workbook

HERE = os.path.dirname(os.path.abspath(__file__))
CAPTIONS = ["销售单据号", "客户名称", "合同编号", "出口通知书", "会计编号", "开票人", "发货通知书",
            "出口序号", "核销单号", "备注", "品名及规格", "数量", "单价", "金额"]


def save(name, rows, sheet="Sheet1", extra_sheets=()):
    wb = Workbook()
    ws = wb.active
    ws.title = sheet
    ws.append(CAPTIONS)
    for r in rows:
        ws.append(list(r) if r else [])
    for title in extra_sheets:
        wb.create_sheet(title).append(["other"])
    wb.save(os.path.join(HERE, name))


def line(doc, c="", d="", j="", k="item", l_=1, m=1, n=1, b="客户", e="", f="张三", g="", h="", i=""):
    return [doc, b, c, d, e, f, g, h, i, j, k, l_, m, n]


# Caption row only.
save("captions_only.xlsx", [])

# The data sheet has another name: the import must fail in the counting pass.
save("no_sheet1.xlsx", [line("1001")], sheet="Data")

# Up to four empty rows between documents; the fifth ends the import.
save("gaps.xlsx", [line("1001"), line("1001"), None, None, None, None, line("1002"),
                   None, None, None, None, None, line("1003")])

# A row with data but no document number counts as empty and ends the document above it;
# a number that comes back after it starts a new document with the same number.
save("repeat.xlsx", [line("1001", n=5), ["", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", 9, 9, 9],
                     line("1001", n=7), line("1002", n=1)])

# Document numbers: blanks around, letter case, numeric cells, a full-width space.
save("numbers.xlsx", [line(" 1001 "), line("1001\t"), line("a1"), line("A1"), line(2001),
                      line(1001.5), line("\u30003001")])

# Merging: C holds HT1, "", HT1, HT2; D HT12 then HT1; E empty; J remarks x, y, x, "".
save("merge.xlsx", [
    line("M1", c="HT1", d="HT12", j="x", g="G1", h="H1", i="I1", b="甲公司", f="李四", k="a", l_=3, m=2.5, n=7.5),
    line("M1", c="", d="HT1", j="y", g="G2", h="H1", i="I2", b="乙公司", f="王五", k="b", l_=2, m=100, n=200),
    line("M1", c="HT1", d="", j="x", g="", h="", i="", k="c", l_="4", m="0.5", n="2"),
    line("M1", c="HT2", d="", j="", g="G1", h="H2", i="I1", k="d", l_=1, m=1, n=None),
])

# Amounts: a number, an empty cell and a decimal text; then a text that is no number.
save("amounts.xlsx", [line("N1", n=10), line("N1", n=None), line("N1", n="2.5"),
                      line("N2", n=1), line("N3", n="abc"), line("N4", n=1)])

# A quantity with digit grouping in the second line of the second document; sheet name in
# capitals.
save("bad_quantity.xlsx", [line("Q1", l_=2, m=3, n=6), line("Q2", l_=1, m=1, n=1),
                           line("Q2", l_="1,000", m=1, n=1000), line("Q3")], sheet="SHEET1")

# The same workbook after the clerk mended the quantity.
save("bad_quantity_fixed.xlsx", [line("Q1", l_=2, m=3, n=6), line("Q2", l_=1, m=1, n=1),
                                 line("Q2", l_="1000", m=1, n=1000), line("Q3")], sheet="SHEET1")

# Rows of one document standing in several places: between other documents, and after an
# empty row. The later places are not read beyond column A (the "abc" amount is never met).
save("split.xlsx", [line("S1"), line("S1"), line("S2"), line("S1"), line("S1", n="abc"), line("S3"), line("S4"),
                    line("S3"), None, line("S3")])

# Amounts, quantities and prices that read as infinite or not-a-number, one workbook each: the
# import refuses every one as it refuses any other non-number. openpyxl leaves such a float's
# value out; exporters of other systems write it as "inf" or "nan", so it is put in afterwards.
def with_value(name, value):
    path = os.path.join(HERE, name)
    with zipfile.ZipFile(path) as z:
        parts = [(i, z.read(i.filename)) for i in z.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in parts:
            if info.filename == "xl/worksheets/sheet1.xml":
                data = data.replace(b'<c r="N3" t="n"><v></v></c>', b'<c r="N3" t="n"><v>%s</v></c>' % value)
                assert value in data
            z.writestr(info, data)


save("nonfinite_inf.xlsx", [line("I1"), line("I2", n=float("inf"))])
with_value("nonfinite_inf.xlsx", b"inf")
save("nonfinite_nan.xlsx", [line("I1"), line("I2", n=float("nan"))])
with_value("nonfinite_nan.xlsx", b"nan")
save("nonfinite_text.xlsx", [line("I1"), line("I2", n="1e999")])
save("nonfinite_sum.xlsx", [line("I1"), line("I2", n=1.5e308), line("I2", n=1.5e308)])
save("nonfinite_quantity.xlsx", [line("I1"), line("I2", l_="inf")])
save("nonfinite_product.xlsx", [line("I1"), line("I2", l_="1e200", m="1e200")])

# A document number holding what looks like message placeholders, with a bad quantity.
save("placeholders.xlsx", [line("%1%2", l_="x")])

# 450 documents of two lines; the price of document 401 is no number. Spans several groups of
# documents committed together.
rows = []
for d in range(1, 451):
    rows.append(line("D%03d" % d, l_=1, m=2, n=2))
    rows.append(line("D%03d" % d, l_=2, m=("x" if d == 401 else 3), n=6))
save("many.xlsx", rows)

# Values the workbook keeps as formulas, dates and booleans; the amount is price x quantity.
wb = Workbook()
ws = wb.active
ws.title = "Sheet1"  # LibreOffice renames an all-lower-case "sheet1" when it writes .xls
ws.append(CAPTIONS)
ws.append(["F1", "客户", "HT1", "", "", "张三", "", datetime.date(2024, 3, 5), "", "TRUE备注", "item", 3, 2.5, "=L2*M2"])
ws.append(["F1", "客户", "HT2", "", "", "张三", "", datetime.datetime(2024, 3, 5, 14, 7, 9), "", "", "item2", 2, 100, "=L3*M3"])
ws.append(["F2", "客户", True, "", "", "张三", "", "", "", "", "item3", 1, 1234.5, "=L4*M4"])
ws["H2"].number_format = "yyyy-mm-dd"
ws["H3"].number_format = "yyyy-mm-dd hh:mm:ss"
wb.save(os.path.join(HERE, "formulas.xlsx"))

# The same sales documents as an XML spreadsheet, formulas with their results, as business systems
# export it.
XML = """<?xml version="1.0" encoding="UTF-8"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">
 <Styles>
  <Style ss:ID="d"><NumberFormat ss:Format="yyyy-mm-dd"/></Style>
  <Style ss:ID="dt"><NumberFormat ss:Format="yyyy-mm-dd hh:mm:ss"/></Style>
 </Styles>
 <Worksheet ss:Name="Sheet1">
  <Table>
   <Row>%s</Row>
   <Row>%s</Row>
   <Row>%s</Row>
   <Row>%s</Row>
  </Table>
 </Worksheet>
</Workbook>
"""


def xml_cell(value, style=None, formula=None):
    attrs = (' ss:StyleID="%s"' % style if style else "") + (' ss:Formula="%s"' % formula if formula else "")
    if value == "":
        return "<Cell%s/>" % attrs
    if isinstance(value, bool):
        return '<Cell%s><Data ss:Type="Boolean">%d</Data></Cell>' % (attrs, value)
    if isinstance(value, (int, float)):
        return '<Cell%s><Data ss:Type="Number">%r</Data></Cell>' % (attrs, value)
    if isinstance(value, datetime.datetime):
        return '<Cell%s><Data ss:Type="DateTime">%s.000</Data></Cell>' % (attrs, value.isoformat())
    return '<Cell%s><Data ss:Type="String">%s</Data></Cell>' % (attrs, value)


def xml_row(cells):
    return "".join(xml_cell(*c) if isinstance(c, tuple) else xml_cell(c) for c in cells)


with open(os.path.join(HERE, "formulas.xml"), "w", encoding="utf-8") as f:
    f.write(XML % (xml_row(CAPTIONS),
                   xml_row(["F1", "客户", "HT1", "", "", "张三", "", (datetime.datetime(2024, 3, 5), "d"), "",
                            "TRUE备注", "item", 3, 2.5, (7.5, None, "=RC[-2]*RC[-1]")]),
                   xml_row(["F1", "客户", "HT2", "", "", "张三", "", (datetime.datetime(2024, 3, 5, 14, 7, 9), "dt"),
                            "", "", "item2", 2, 100, (200, None, "=RC[-2]*RC[-1]")]),
                   xml_row(["F2", "客户", True, "", "", "张三", "", "", "", "", "item3", 1, 1234.5,
                            (1234.5, None, "=RC[-2]*RC[-1]")])))
