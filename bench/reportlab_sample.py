#!/usr/bin/python3
"""The peer in the render benchmark: ReportLab drawing the sample statement's page (the
same texts, rules and fills at the same places, in Helvetica, which it does not embed).
Reads a count per line on standard input, draws the page that many times into memory,
and answers with the milliseconds of each drawing on one line."""
import io
import sys
import time

from reportlab.lib.pagesizes import letter
from reportlab.pdfgen import canvas

HEIGHT = letter[1]
MARGIN = 38
WIDTH = letter[0] - 2 * MARGIN


def text(c, x, top, s, size, bold=False, right=False):
    c.setFont("Helvetica-Bold" if bold else "Helvetica", size)
    c.setFillGray(0.08)
    y = HEIGHT - top - size
    (c.drawRightString if right else c.drawString)(x, y, s)


def rule(c, top, heavy):
    c.setStrokeGray(0.1 if heavy else 0.7)
    c.setLineWidth(1.0 if heavy else 0.5)
    c.line(MARGIN, HEIGHT - top, MARGIN + WIDTH, HEIGHT - top)


def table(c, top, title, header, rows, ratios):
    text(c, MARGIN, top + 12, title, 11, True)
    top += 36
    rule(c, top, True)
    for i, cells in enumerate([header] + rows):
        height = 28 if i == 0 else 24
        if i == 0:
            c.setFillGray(0.95)
            c.rect(MARGIN, HEIGHT - top - height, WIDTH, height, stroke=0, fill=1)
        edge = MARGIN
        for k, cell in enumerate(cells):
            w = WIDTH * ratios[k]
            bold = i == 0 or cells[0].startswith("TOTAL")
            size = 8.5 if i == 0 else 9.5
            if k == 0:
                text(c, edge + 6, top + 6, cell, size, bold)
            else:
                text(c, edge + w - 6, top + 6, cell, size, bold, right=True)
            edge += w
        top += height
        rule(c, top, False)
    return top


def draw():
    out = io.BytesIO()
    c = canvas.Canvas(out, pagesize=letter)
    c.setTitle("Pay Stub")
    c.setCreator("Corvane Native")
    text(c, MARGIN, 34, "PAY STUB", 24, True)
    top = 82
    for label, value in [("EMPLOYER", "Example Restaurant Ltd."), ("EMPLOYEE", "Velo Marrick"),
                         ("PAY PERIOD", "Jun 01, 2026 - Jun 30, 2026"),
                         ("PAYMENT DATE", "Jul 05, 2026")]:
        text(c, MARGIN, top + 3, label, 9, True)
        text(c, 164, top + 3, value, 10)
        top += 22
    top = table(c, top, "GROSS EARNINGS", ["Description", "Hours", "Rate", "Current", "YTD"],
                [["Salary or wages for regular hours worked", "135", "$20.00", "$2,700.00",
                  "$16,000.00"],
                 ["TOTAL GROSS EARNINGS", "", "", "$2,700.00", "$16,000.00"]],
                [0.44, 0.11, 0.13, 0.16, 0.16])
    top = table(c, top, "DEDUCTIONS", ["Description", "Current", "YTD"],
                [["Federal Income Tax", "$142.33", "$828.08"],
                 ["Provincial Income Tax", "$38.98", "$237.09"],
                 ["Employment Insurance", "$44.01", "$260.80"],
                 ["Canada Pension Plan", "$143.30", "$847.90"],
                 ["TOTAL DEDUCTIONS", "$368.62", "$2,173.87"]], [0.6, 0.2, 0.2])
    top = table(c, top, "REIMBURSEMENTS", ["Description", "Current"],
                [["TOTAL REIMBURSEMENTS", "$0.00"]], [0.75, 0.25])
    top += 22
    rule(c, top, True)
    top += 14
    text(c, MARGIN, top, "FULL DEPOSIT", 10, True)
    text(c, MARGIN + WIDTH, top - 1, "NET PAYMENT  $2,331.38", 14, True, right=True)
    text(c, MARGIN + WIDTH, HEIGHT - 32, "CAD  |  Page 1", 8, right=True)
    c.showPage()
    c.save()
    return out.getvalue()


for line in sys.stdin:
    times = []
    for _ in range(int(line)):
        start = time.perf_counter()
        draw()
        times.append((time.perf_counter() - start) * 1000)
    print(" ".join(f"{t:.4f}" for t in times), flush=True)
