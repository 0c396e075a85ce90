#!/usr/bin/env python3
"""Checks a printed calculation sheet page by page.

Usage: sheet_pdf_pages.py SHEET.html PAGE-1.txt PAGE-2.txt ...
(the pages as `pdftotext -layout` prints them). Every page carries the
running header that the sheet's @page rule sets; no heading is a page's last
line (at least two lines of its own follow it on its page); every table row
is printed whole on one line of one page; a table of fewer than 8 rows is
printed on one page. Exits 1 with one line per failure."""
import re
import sys
import xml.etree.ElementTree as ET


def squeeze(text):
    return re.sub(r"\s+", "", text)


def plain_cells(row):
    """The texts of the cells that hold no markup: the PDF text sets a
    subscript or an italic letter apart, so only these are searched for. A
    reason why a pier is left out is running text that wraps: not searched."""
    return [squeeze(td.text or "") for td in row
            if td.tag == "td" and len(td) == 0 and squeeze(td.text or "") and "reason" not in td.get("class", "")]


def main():
    html, pages = sys.argv[1], sys.argv[2:]
    with open(html, encoding="utf-8") as f:
        source = f.read()
    root = ET.fromstring(source[source.index("<html"):])
    header = re.search(r'@top-center \{\s*content: "((?:[^"\\]|\\.)*)"', source).group(1)
    lines = []
    for path in pages:
        with open(path, encoding="utf-8") as f:
            page = [squeeze(line) for line in f.read().split("\n")]
        lines.append([line for line in page if line and not re.fullmatch(r"第\d+页/共\d+页", line)])
    failures = []

    for k, page in enumerate(lines, 1):
        if not page or page[0] != squeeze(header):
            failures.append(f"page {k}: no running header '{header}' (first line: '{page[0] if page else ''}')")

    headings = [squeeze("".join(h.itertext())) for h in root.iter() if h.tag in ("h2", "h3")]
    headings += [squeeze("".join(p.itertext())) for p in root.iter("p") if "worked-title" in p.get("class", "")]
    for k, page in enumerate(lines, 1):
        for at, line in enumerate(page):
            if line in headings and len(page) - at - 1 < 2:
                failures.append(f"page {k}: heading '{line}' stands at the foot of the page")

    def page_of(cells):
        for k, page in enumerate(lines, 1):
            for line in page:
                rest, ok = line, True
                for cell in cells:
                    at = rest.find(cell)
                    if at < 0:
                        ok = False
                        break
                    rest = rest[at + len(cell):]
                if ok:
                    return k
        return None

    tables = 0
    for table in root.iter("table"):
        rows = [row for body in table.iter("tbody") for row in body.iter("tr")]
        found = []
        for row in rows:
            cells = plain_cells(row)
            if not cells:
                continue
            page = page_of(cells)
            if page is None:
                failures.append(f"table {table.get('id')}: row not printed whole on one line: {cells}")
            found.append(page)
        tables += 1
        if len(rows) < 8 and len(set(found)) > 1:
            failures.append(f"table {table.get('id')} of {len(rows)} rows split over pages {sorted(set(found))}")

    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    print(f"{len(pages)} pages, {tables} tables, {len(headings)} headings checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
