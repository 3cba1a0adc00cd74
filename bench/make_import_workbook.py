#!/usr/bin/python3
"""Writes an import benchmark workbook: ROWS rows x 14 columns (100,000 by default), sales
documents of 10 lines, Chinese texts repeated through the shared-string table.

usage: /usr/bin/python3 make_import_workbook.py OUT.xlsx [ROWS]

Up to 100,000 rows openpyxl writes it. openpyxl keeps a whole sheet in memory, so a bigger
workbook is written here directly as the same SpreadsheetML package (shared strings, one style
per cell kind), as Excel lays it out.
"""
import random
import sys
import zipfile
from xml.sax.saxutils import escape

CAPTIONS = ["销售单据号", "客户名称", "合同编号", "出口通知书", "会计编号", "开票人", "发货通知书",
            "出口序号", "核销单号", "备注", "品名及规格", "数量", "单价", "金额"]
CUSTOMERS = ["上海%s进出口有限公司" % n for n in ("东方", "华联", "申达", "浦江", "长宁", "金桥", "外高桥", "闵行")]
ITEMS = ["不锈钢螺栓 M%d×%d" % (d, l) for d in (6, 8, 10, 12) for l in (20, 30, 40, 50, 60)] + \
        ["棉质针织T恤 尺码%s" % s for s in ("S", "M", "L", "XL", "XXL")] + \
        ["陶瓷餐具套装 %d件" % n for n in (12, 16, 20, 24)]
CLERKS = ["张三", "李四", "王五", "赵六"]


def rows(count):
    rnd = random.Random(20240305)
    for d in range(count // 10):
        doc = "XS%07d" % (d + 1)
        customer = rnd.choice(CUSTOMERS)
        clerk = rnd.choice(CLERKS)
        for i in range(10):
            qty = rnd.randint(1, 500)
            price = round(rnd.uniform(0.5, 300.0), 2)
            yield [doc, customer, "HT%05d" % (d // 3), "CK%05d" % (d // 2), "KJ%04d" % (d % 977), clerk,
                   "FH%05d" % d, "%d" % (i + 1), "HX%06d" % (d * 7 % 99991),
                   "第%d批出口货物，请按合同条款办理" % (d % 40), rnd.choice(ITEMS), qty, price, round(qty * price, 2)]


def with_openpyxl(out, count):
    from openpyxl import Workbook
    # The normal (not write-only) mode stores texts in the shared-string table, as Excel does.
    wb = Workbook()
    ws = wb.active
    ws.title = "Sheet1"
    ws.append(CAPTIONS)
    for row in rows(count):
        ws.append(row)
    wb.save(out)


def column(c):
    name = ""
    while c:
        c, r = divmod(c - 1, 26)
        name = chr(65 + r) + name
    return name


def directly(out, count):
    strings = {}

    def index(text):
        if text not in strings:
            strings[text] = len(strings)
        return strings[text]

    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as f:
            f.write(b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet '
                    b'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><dimension ref="A1:N%d"/>'
                    b'<sheetData>' % (count + 1))
            chunk = []

            def emit(r, row):
                cells = []
                for c, v in enumerate(row, 1):
                    ref = "%s%d" % (column(c), r)
                    if isinstance(v, str):
                        cells.append('<c r="%s" t="s"><v>%d</v></c>' % (ref, index(v)))
                    else:
                        cells.append('<c r="%s"><v>%r</v></c>' % (ref, v))
                return '<row r="%d" spans="1:14">%s</row>' % (r, "".join(cells))
            chunk.append(emit(1, CAPTIONS))
            for r, row in enumerate(rows(count), 2):
                chunk.append(emit(r, row))
                if len(chunk) >= 10000:
                    f.write("".join(chunk).encode("utf-8"))
                    chunk = []
            chunk.append("</sheetData></worksheet>")
            f.write("".join(chunk).encode("utf-8"))
        sst = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst '
               'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">'
               % (len(strings), len(strings))]
        sst += ["<si><t>%s</t></si>" % escape(t) for t in strings]
        sst.append("</sst>")
        z.writestr("xl/sharedStrings.xml", "".join(sst))
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types '
                   'xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/>'
                   '<Override PartName="/xl/workbook.xml" '
                   'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
                   '<Override PartName="/xl/worksheets/sheet1.xml" '
                   'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                   '<Override PartName="/xl/sharedStrings.xml" '
                   'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
                   '</Types>')
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships '
                   'xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" '
                   'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
                   'Target="xl/workbook.xml"/></Relationships>')
        z.writestr("xl/workbook.xml",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook '
                   'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
                   'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
                   '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships '
                   'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" '
                   'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
                   'Target="worksheets/sheet1.xml"/><Relationship Id="rId2" '
                   'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" '
                   'Target="sharedStrings.xml"/></Relationships>')


def main(out, count):
    if count <= 100000:
        with_openpyxl(out, count)
    else:
        directly(out, count)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 100000)
