#!/usr/bin/python3
"""Writes the import benchmark workbook with openpyxl: 100,000 rows x 14 columns, 10,000 sales
documents of 10 lines, Chinese texts repeated through the shared-string table.

usage: /usr/bin/python3 make_import_workbook.py OUT.xlsx
"""
import random
import sys

from openpyxl import Workbook

CAPTIONS = ["销售单据号", "客户名称", "合同编号", "出口通知书", "会计编号", "开票人", "发货通知书",
            "出口序号", "核销单号", "备注", "品名及规格", "数量", "单价", "金额"]
CUSTOMERS = ["上海%s进出口有限公司" % n for n in ("东方", "华联", "申达", "浦江", "长宁", "金桥", "外高桥", "闵行")]
ITEMS = ["不锈钢螺栓 M%d×%d" % (d, l) for d in (6, 8, 10, 12) for l in (20, 30, 40, 50, 60)] + \
        ["棉质针织T恤 尺码%s" % s for s in ("S", "M", "L", "XL", "XXL")] + \
        ["陶瓷餐具套装 %d件" % n for n in (12, 16, 20, 24)]
CLERKS = ["张三", "李四", "王五", "赵六"]


def main(out):
    rnd = random.Random(20240305)
    # The normal (not write-only) mode stores texts in the shared-string table, as Excel does.
    wb = Workbook()
    ws = wb.active
    ws.title = "Sheet1"
    ws.append(CAPTIONS)
    for d in range(10000):
        doc = "XS%07d" % (d + 1)
        customer = rnd.choice(CUSTOMERS)
        clerk = rnd.choice(CLERKS)
        for i in range(10):
            qty = rnd.randint(1, 500)
            price = round(rnd.uniform(0.5, 300.0), 2)
            ws.append([doc, customer, "HT%05d" % (d // 3), "CK%05d" % (d // 2), "KJ%04d" % (d % 977), clerk,
                       "FH%05d" % d, "%d" % (i + 1), "HX%06d" % (d * 7 % 99991),
                       "第%d批出口货物，请按合同条款办理" % (d % 40), rnd.choice(ITEMS), qty, price,
                       round(qty * price, 2)])
    wb.save(out)


if __name__ == "__main__":
    main(sys.argv[1])
