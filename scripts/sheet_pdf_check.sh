#!/usr/bin/env bash
# Prints four calculation sheets to PDF in a real browser (headless
# Chromium) and checks the paper: the default pier with a filled title
# block, a slender pier, a squat pier and a pier with one vertical side.
# Each: A4 pages; on every page the running header; no heading as a
# page's last line; every table row whole on one line of one page; no
# table of fewer than 8 rows split (scripts/sheet_pdf_pages.py). The default
# pier's sheet also carries its key figures and every section. Then the
# summary sheet of a 12-pier bridge, checked the same way.
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
  print_html "$name"
}

# Prints NAME.html to NAME.pdf and checks its pages.
print_html() {
  local name=$1
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

# The bridge's summary sheet of 12 piers, two grades, one pier left out
# (exit 2): the bill, the table of piers over two pages, basis, assumptions.
{
  echo "id,grade,L1,L2,H1,h,R1,R2"
  for k in 1 2 3 4 5 6 7 8 9 10 11 12; do
    if [ "$k" = 9 ]; then echo "P9#,C35,2.5,1.6,8,5,4,6"; continue; fi
    echo "P$k#,$([ "$k" -lt 9 ] && echo C40 || echo C35),2.$((40 + 5 * k)),1.6,$((6 + k / 2)),3,4,6"
  done
} > "$work/bridge.csv"
status=0
"$cli" --batch "$work/bridge.csv" --sheet "$work/bridge.html" --split-formwork --project "某某大桥（打印检查）" \
  --number JS-2026-010 --drawing S3-01 --compiled-by 张三 > /dev/null 2> "$work/bridge.err" || status=$?
[ "$status" = 2 ] || fail "bridge: exit $status, where a pier left out gives 2: $(cat "$work/bridge.err")"
print_html bridge
for text in 花瓶墩工程量汇总计算书 "1 工程量清单" "2 各墩工程量" "3 计算依据" "4 计算假定" 040303005001 041102005002 \
  "P12#" "未计入清单" "合计（11 个墩）" JS-2026-010; do
  grep -qF -- "$text" "$work/bridge-all.txt" || fail "'$text' is not in the bridge summary's printed text"
done

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
echo "sheet_pdf_check: four sheets and a bridge summary printed and checked page by page"
