#!/usr/bin/env bash
# Prints the default pier's calculation sheet to PDF in a real browser
# (headless Chromium) and checks the paper: at least two A4 pages, the key
# figures in the text, no table row cut across two pages, and no section
# heading left alone at the foot of a page.
# Usage: scripts/sheet_pdf_check.sh [pierqty-cli] [folder to keep the PDF in]
set -euo pipefail
cli=${1:-build/release/cli/pierqty-cli}
keep=${2:-}
for tool in chromium pdfinfo pdftotext; do
  command -v "$tool" > /dev/null || { echo "sheet_pdf_check: $tool is missing (scripts/setup.sh ci)" >&2; exit 69; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PIERQTY_SHEET_DATE=2026-01-01 "$cli" --sheet "$work/sheet.html" --title "默认墩（打印检查）"

timeout 180 chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/profile" \
  --print-to-pdf="$work/sheet.pdf" --no-pdf-header-footer "file://$work/sheet.html" > "$work/chromium.log" 2>&1 ||
  { cat "$work/chromium.log" >&2; echo "sheet_pdf_check: chromium failed" >&2; exit 1; }
[ -z "$keep" ] || cp "$work/sheet.pdf" "$work/sheet.html" "$keep"/

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

pages=$(pdfinfo "$work/sheet.pdf" | awk '/^Pages:/ {print $2}')
size=$(pdfinfo "$work/sheet.pdf" | sed -n 's/^Page size: *//p')
echo "PDF: $pages pages, $size"
[ "$pages" -ge 2 ] || fail "only $pages page(s)"
case "$size" in *"(A4)"*) ;; *) fail "pages are not A4: $size" ;; esac

for k in $(seq 1 "$pages"); do
  pdftotext -layout -f "$k" -l "$k" "$work/sheet.pdf" "$work/page-$k.txt"
done
cat "$work"/page-*.txt > "$work/all.txt"

# The worked example's figures and every section, as printed.
for text in 花瓶墩模板面积及混凝土方量计算书 "2026-01-01" "pierqty 1.00" 64.190447 38.653440 4.360000 13.080000 \
  25.594113 11.860113 5.930056 7.265723 0.003000 "1 输入参数" "2 计算简图" "3 计算方法" "4 计算结果" "5 曲线" \
  "6 分层表" "pierqty-cli --csv"; do
  grep -qF -- "$text" "$work/all.txt" || fail "'$text' is not in the printed text"
done

grep -q "第 *1 *页 */ *共 *$pages *页" "$work/page-1.txt" || fail "page 1 carries no page number"

# Every table row of the document, as tab-separated cells (cells that hold
# markup such as a subscript are left out: the PDF text sets them apart).
sed -e 's/<\/tr>/<\/tr>\n/g' "$work/sheet.html" | grep -o '<tr[^>]*>.*</tr>' |
  sed -e 's/<td[^>]*>\([^<]*\)<\/td>/\1\t/g' -e 's/<td[^>]*>.*<\/td>/\t/g' -e 's/<tr[^>]*>//; s/<\/tr>//' \
    -e 's/<th[^>]*>.*<\/th>//g; s/<span[^>]*>[^<]*<\/span>//g; s/<[^>]*>//g' \
    -e 's/&amp;/\&/g; s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&#39;/'"'"'/g' |
  grep -v '^[[:space:]]*$' > "$work/rows.tsv"
rows=$(wc -l < "$work/rows.tsv")
[ "$rows" -ge 60 ] || fail "only $rows table rows found in the sheet"

# A row is whole when one printed line of one page holds all its cells in order.
if ! awk -F'\t' '
  FNR == NR { row[++rows] = $0; next }
  { line[++lines] = $0 }
  END {
    bad = 0
    for (r = 1; r <= rows; r++) {
      n = split(row[r], cell, "\t"); found = 0
      for (l = 1; l <= lines && !found; l++) {
        rest = line[l]; ok = 1
        for (c = 1; c <= n && ok; c++) {
          if (cell[c] == "") continue
          at = index(rest, cell[c])
          if (at == 0) ok = 0; else rest = substr(rest, at + length(cell[c]))
        }
        found = ok
      }
      if (!found) { print "row not printed whole on one line of one page: " row[r] > "/dev/stderr"; bad++ }
    }
    exit bad > 0
  }' "$work/rows.tsv" "$work"/page-*.txt; then
  fail "table rows cut across pages"
fi

# No section starts at the foot of a page: on the page where a heading is
# printed, at least three lines of its section follow it.
for k in $(seq 1 "$pages"); do
  grep -v '^[[:space:]]*$' "$work/page-$k.txt" | grep -v '第 *[0-9]* *页' | sed 's/^ *//; s/ *$//' > "$work/lines-$k.txt"
  for heading in "1 输入参数" "2 计算简图" "3 计算方法" "4 计算结果" "5 曲线" "6 分层表"; do
    at=$(grep -nxF "$heading" "$work/lines-$k.txt" | head -n 1 | cut -d: -f1 || true)
    [ -n "$at" ] || continue
    after=$(($(wc -l < "$work/lines-$k.txt") - at))
    [ "$after" -ge 3 ] || fail "section '$heading' starts at the foot of page $k ($after line(s) after it)"
  done
done

if [ "$failures" -gt 0 ]; then
  echo "sheet_pdf_check: $failures check(s) failed" >&2
  exit 1
fi
echo "sheet_pdf_check: $pages A4 pages, $rows table rows whole, key figures present"
