#!/usr/bin/env bash
# Prints four calculation sheets to PDF in a real browser (headless
# Chromium) and checks the paper: the default pier with a filled title
# block, a slender pier, a squat pier and a pier with one vertical side.
# Each: A4 pages; on every page the running header; no heading as a
# page's last line; every table row whole on one line of one page; no
# table of fewer than 8 rows split (scripts/sheet_pdf_pages.py). The default
# pier's sheet also carries its key figures and every section.
# Usage: scripts/sheet_pdf_check.sh [pierqty-cli] [folder to keep the PDFs and pages in]
set -euo pipefail
cli=${1:-build/release/cli/pierqty-cli}
keep=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
for tool in chromium pdfinfo pdftotext python3; do
  command -v "$tool" > /dev/null || { echo "sheet_pdf_check: $tool is missing (scripts/setup.sh ci)" >&2; exit 69; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PIERQTY_SHEET_DATE=2026-01-01
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Writes NAME.html with the arguments, prints NAME.pdf, one text file per page.
print_sheet() {
  local name=$1
  shift
  "$cli" --sheet "$work/$name.html" "$@"
  timeout 180 chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$work/profile" \
    --print-to-pdf="$work/$name.pdf" --no-pdf-header-footer "file://$work/$name.html" > "$work/chromium.log" 2>&1 ||
    { cat "$work/chromium.log" >&2; echo "sheet_pdf_check: chromium failed on $name" >&2; exit 1; }
  local pages size
  pages=$(pdfinfo "$work/$name.pdf" | awk '/^Pages:/ {print $2}')
  size=$(pdfinfo "$work/$name.pdf" | sed -n 's/^Page size: *//p')
  echo "$name: $pages pages, $size"
  [ "$pages" -ge 2 ] || fail "$name: only $pages page(s)"
  case "$size" in *"(A4)"*) ;; *) fail "$name: pages are not A4: $size" ;; esac
  for k in $(seq 1 "$pages"); do
    pdftotext -layout -f "$k" -l "$k" "$work/$name.pdf" "$work/$name-page-$k.txt"
  done
  grep -q "第 *$pages *页 */ *共 *$pages *页" "$work/$name-page-$pages.txt" || fail "$name: no page number on its last page"
  python3 "$here/sheet_pdf_pages.py" "$work/$name.html" $(for k in $(seq 1 "$pages"); do echo "$work/$name-page-$k.txt"; done) ||
    fail "$name: page checks (above)"
  cat "$work/$name"-page-*.txt > "$work/$name-all.txt"
  if [ -n "$keep" ]; then cp "$work/$name.pdf" "$work/$name.html" "$keep"/; fi
}

print_sheet default --project "默认墩（打印检查）" --pier "3#" --drawing "S3-05" --number "JS-2026-001" --revision A \
  --compiled-by 张三 --compiled-on 2026-01-01
print_sheet slender L1=1.2 L2=1.0 H1=12 h=2 R1=2.5 R2=6
print_sheet squat H1=0.5 h=6 R1=8 R2=20 L1=4 L2=3
print_sheet vertical R2=100000

# The worked example's figures and every section, as printed.
for text in 花瓶墩模板面积及混凝土方量计算书 "2026-01-01" "pierqty 1.00" 38.65 32.82 32.86 65.68 64.190447 38.653440 \
  4.360000 13.080000 25.594113 11.860113 5.930056 7.265723 0.003000 65.678375 "1 结论" "2 计算依据" "3 计算假定" \
  "4 输入参数" "5 计算简图" "6 计算方法" "7 计算结果" "8 曲线" "9 分层表" "JS-2026-001" "S3-05"; do
  grep -qF -- "$text" "$work/default-all.txt" || fail "'$text' is not in the default pier's printed text"
done
grep -qF "竖直平面" "$work/vertical-all.txt" || fail "the vertical side's flat faces are not called flat"
if grep -q "e+0" "$work/vertical-all.txt"; then fail "a number with an exponent on the vertical pier's sheet"; fi

if [ "$failures" -gt 0 ]; then
  echo "sheet_pdf_check: $failures check(s) failed" >&2
  exit 1
fi
echo "sheet_pdf_check: four sheets printed and checked page by page"
