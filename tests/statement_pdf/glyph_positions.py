#!/usr/bin/python3
"""Prints every character drawn in a PDF, one a line: page, origin x and y, advance
and size in points, and the character. Sorted by position, so that two renderers that
draw the same page in another order give the same list."""
import sys

from pdfminer.high_level import extract_pages
from pdfminer.layout import LTChar


def chars(item):
    if isinstance(item, LTChar):
        yield item
    elif hasattr(item, "__iter__"):
        for child in item:
            yield from chars(child)


rows = []
for number, page in enumerate(extract_pages(sys.argv[1], laparams=None), 1):
    for c in chars(page):
        rows.append((number, -round(c.matrix[5], 2), round(c.matrix[4], 2), c))
for number, _, _, c in sorted(rows, key=lambda r: r[:3]):
    print(f"{number}\t{c.matrix[4]:.3f}\t{c.matrix[5]:.3f}\t{c.width:.3f}\t{c.size:.3f}\t{c.get_text()}")
