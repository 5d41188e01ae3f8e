#!/usr/bin/python3
"""Writes weevils.xlsx from weevils.txt (numbers as numbers, as a spreadsheet
would keep them). Run with Debian's interpreter and python3-xlsxwriter:
/usr/bin/python3 make_example_workbook.py"""
import os

import xlsxwriter

here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "weevils.txt"), encoding="utf-8") as f:
    rows = [line.rstrip("\r\n").split("\t") for line in f if line.strip()]
book = xlsxwriter.Workbook(os.path.join(here, "weevils.xlsx"))
sheet = book.add_worksheet("Weevils")
for r, row in enumerate(rows):
    for c, cell in enumerate(row):
        sheet.write_number(r, c, int(cell)) if cell.isdigit() else sheet.write_string(r, c, cell)
book.close()
