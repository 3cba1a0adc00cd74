#!/usr/bin/python3
"""Builds the export template 发票导出数据格式.xlsx beside this script.

Run with the system Python that has openpyxl: /usr/bin/python3 make_export_template.py
The export fills rows 2 onward of columns A to O of the first worksheet; this script only
lays out row 1 (the captions) and the column widths.
"""
import os

from openpyxl import Workbook
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

CAPTIONS = [
    ("导入日期", 18), ("销售单据号", 16), ("发票代码", 14), ("发票号码", 12),
    ("客户名称", 30), ("总金额", 14), ("合同编号", 16), ("出口通知书", 16),
    ("会计编号", 14), ("开票人", 10), ("发货通知书", 16), ("出口序号", 12),
    ("核销单号", 14), ("备注", 40), ("状态", 10),
]


def main():
    wb = Workbook()
    ws = wb.active
    ws.title = "发票数据"
    thin = Side(style="thin", color="808080")
    for column, (caption, width) in enumerate(CAPTIONS, start=1):
        cell = ws.cell(row=1, column=column, value=caption)
        cell.font = Font(name="宋体", size=10, bold=True)
        cell.alignment = Alignment(horizontal="center", vertical="center")
        cell.fill = PatternFill("solid", fgColor="DDEBF7")
        cell.border = Border(left=thin, right=thin, top=thin, bottom=thin)
        ws.column_dimensions[cell.column_letter].width = width
    ws.row_dimensions[1].height = 20
    ws.freeze_panes = "A2"
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "发票导出数据格式.xlsx")
    wb.save(out)
    print(out)


if __name__ == "__main__":
    main()
