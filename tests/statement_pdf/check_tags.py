#!/usr/bin/python3
"""Checks the marked content of a tagged PDF against its structure tree: every MCID in a
page's content belongs to exactly one structure element, every one the structure names
exists, and the parent tree, reached through each page's StructParents, names the same
owner. Prints the problems, one a line, and "ok" when there are none; exits 1 on
problems."""
import re
import sys

from pdfminer.pdfdocument import PDFDocument
from pdfminer.pdfpage import PDFPage
from pdfminer.pdfparser import PDFParser
from pdfminer.pdftypes import resolve1, PDFObjRef
from pdfminer.psparser import PSLiteral

problems = []
with open(sys.argv[1], "rb") as f:
    doc = PDFDocument(PDFParser(f))
    pages = list(PDFPage.create_pages(doc))
    page_of = {p.pageid: i for i, p in enumerate(pages)}
    drawn = {}
    page_of_key = {}
    for i, page in enumerate(pages):
        key = page.attrs.get("StructParents")
        if key is None:
            problems.append(f"page {i + 1}: no StructParents")
        else:
            page_of_key[resolve1(key)] = i
        data = b"".join(resolve1(s).get_data() for s in (page.contents or []))
        ids = [int(m) for m in re.findall(rb"/MCID (\d+)", data)]
        if len(ids) != len(set(ids)):
            problems.append(f"page {i + 1}: an MCID is used twice")
        drawn[i] = set(ids)
        if re.search(rb"BT(?:(?!BT).)*?ET", re.sub(rb"BDC.*?EMC|BMC.*?EMC", b"", data, flags=re.S), re.S):
            problems.append(f"page {i + 1}: text outside marked content")

    owners = {}
    def walk(ref, page):
        elem = resolve1(ref)
        own_page = elem.get("Pg")
        if own_page is not None:
            page = page_of[own_page.objid]
        for kid in resolve1(elem.get("K", [])) or []:
            kid_value = resolve1(kid)
            if isinstance(kid_value, int):
                key = (page, kid_value)
            elif isinstance(kid_value, dict) and kid_value.get("Type") == PSLiteral("MCR") or (
                    isinstance(kid_value, dict) and "MCID" in kid_value):
                key = (page_of[kid_value["Pg"].objid], kid_value["MCID"])
            else:
                walk(kid, page)
                continue
            if key in owners:
                problems.append(f"MCID {key} referenced twice")
            owners[key] = ref.objid
    root = resolve1(doc.catalog["StructTreeRoot"])
    for top in resolve1(root["K"]):
        walk(top, None)

    for page, ids in drawn.items():
        for mcid in ids:
            if (page, mcid) not in owners:
                problems.append(f"page {page + 1}: MCID {mcid} belongs to no element")
    for (page, mcid) in owners:
        if mcid not in drawn.get(page, set()):
            problems.append(f"page {page + 1}: the structure names MCID {mcid}, not drawn")
    nums = resolve1(resolve1(root["ParentTree"])["Nums"])
    for key, array in zip(nums[0::2], nums[1::2]):
        page = page_of_key.get(key)
        if page is None:
            problems.append(f"parent tree: key {key} belongs to no page")
            continue
        for mcid, owner in enumerate(resolve1(array)):
            if owners.get((page, mcid)) != owner.objid:
                problems.append(f"parent tree: page {page + 1} MCID {mcid} has another owner")

print("\n".join(problems) if problems else "ok")
sys.exit(1 if problems else 0)
