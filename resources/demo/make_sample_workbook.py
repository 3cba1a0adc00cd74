#!/usr/bin/python3
"""Writes a small sales-document workbook (sheet "Sheet1", captions in row 1, data from row 2)
with openpyxl, an independent writer, for the demo workspace and the end-to-end tests.

usage: make_sample_workbook.py OUT.xlsx [DOCUMENTS]
"""
import sys

from openpyxl import Workbook

CAPTIONS = ["销售单据号", "客户名称", "合同编号", "出口通知书", "会计编号", "开票人", "发货通知书",
            "出口序号", "核销单号", "备注", "品名及规格", "数量", "单价", "金额"]

CUSTOMERS = ["上海远洋贸易有限公司", "Hamburg Import GmbH", "大阪商事株式会社", "Lyon Textiles SA",
             "宁波进出口集团"]
ITEMS = [("全棉针织T恤 M码", 1200, 3.25), ("涤纶面料 150cm", 800, 12.5), ("不锈钢保温杯 500ml", 300, 18.8),
         ("竹制砧板 30x20cm", 450, 6.4), ("LED台灯 USB供电", 150, 42.0)]


def main():
    out = sys.argv[1]
    documents = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    wb = Workbook()
    ws = wb.active
    ws.title = "Sheet1"
    ws.append(CAPTIONS)
    for d in range(documents):
        number = f"XS2024{d + 1:04d}"
        customer = CUSTOMERS[d % len(CUSTOMERS)]
        for line in range(1 + d % 3):
            item, count, price = ITEMS[(d + line) % len(ITEMS)]
            ws.append([number, customer, f"HT-{d + 1:03d}", f"CK{d + 1:05d}", f"KJ-{d + 1}", "王小明",
                       f"FH{d + 1:05d}", str(d + 1), f"HX{d + 1:06d}", f"第{line + 1}批货物，按时装船",
                       item, count, price, round(count * price, 2)])
    for col, width in zip("ABCDEFGHIJKLMN", [14, 24, 10, 10, 10, 8, 10, 8, 10, 24, 22, 8, 8, 12]):
        ws.column_dimensions[col].width = width
    wb.save(out)


if __name__ == "__main__":
    main()
