#!/usr/bin/python3
"""Dumps an .xlsx as JSON through openpyxl, for tests that check what our writer produced.

Usage: /usr/bin/python3 read_xlsx.py FILE.xlsx
Cell values are tagged by type: "s:" text, "n:" number, "f:" formula, "b:" boolean.
"""
import json
import re
import sys
import zipfile

from openpyxl import load_workbook


def tag(cell):
    v = cell.value
    if v is None:
        return None
    kind = {"s": "s", "inlineStr": "s", "n": "n", "f": "f", "b": "b"}.get(cell.data_type, cell.data_type)
    if kind == "n" and isinstance(v, float) and v.is_integer():
        v = int(v)
    return "%s:%s" % (kind, v)


def column_number(ref):
    n = 0
    for ch in re.match(r"[A-Z]+", ref).group(0):
        n = n * 26 + ord(ch) - 64
    return n


def cells_in_order(xml):
    """Rows ascending, and the cells of each row in column order."""
    last_row = 0
    for row_number, body in re.findall(r'<(?:\w+:)?row [^>]*?r="(\d+)"[^>]*?(?:/>|>(.*?)</(?:\w+:)?row>)', xml, re.S):
        if int(row_number) <= last_row:
            return False
        last_row = int(row_number)
        cols = [column_number(r) for r in re.findall(r'<(?:\w+:)?c [^>]*?r="([A-Z]+)\d+"', body)]
        if cols != sorted(set(cols)):
            return False
    return True


def main(path):
    wb = load_workbook(path)
    out = {"sheets": []}
    for ws in wb.worksheets:
        cells, styles = {}, {}
        for row in ws.iter_rows():
            for cell in row:
                t = tag(cell)
                if t is not None:
                    cells[cell.coordinate] = t
                if cell.has_style:
                    styles[cell.coordinate] = {
                        "bold": bool(cell.font.b), "italic": bool(cell.font.i),
                        "fill": cell.fill.fgColor.rgb if cell.fill.fill_type else None,
                        "numfmt": cell.number_format,
                    }
        out["sheets"].append({
            "title": ws.title,
            "cells": cells,
            "styles": styles,
            "merged": sorted(str(r) for r in ws.merged_cells.ranges),
            "widths": {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth},
            "row1height": ws.row_dimensions[1].height,
        })
    with zipfile.ZipFile(path) as z:
        out["parts"] = sorted(z.namelist())
        out["content_types"] = re.findall(r'PartName="([^"]+)"', z.read("[Content_Types].xml").decode())
        rels = z.read("xl/_rels/workbook.xml.rels").decode()
        out["workbook_rels"] = re.findall(r'Type="[^"]*/([^"/]+)"', rels)
        first_id = re.search(r'<(?:\w+:)?sheet [^>]*?\w+:id="([^"]+)"', z.read("xl/workbook.xml").decode()).group(1)
        target = re.search(r'<(?:\w+:)?Relationship [^>]*?Id="%s"[^>]*>' % first_id, rels).group(0)
        target = re.search(r'Target="([^"]+)"', target).group(1).lstrip("/")
        if not target.startswith("xl/"):
            target = "xl/" + target
        dim = re.search(r'<(?:\w+:)?dimension ref="([^"]+)"', z.read(target).decode())
        out["dimension_of_first"] = dim.group(1) if dim else None
        out["first_sheet_cells_in_order"] = cells_in_order(z.read(target).decode())
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1])
