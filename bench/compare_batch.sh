#!/usr/bin/env bash
# Runs the same well-formed batches (files, standard input, defaults, sheets)
# through two builds of pierqty-cli and says where their standard output,
# standard error, exit status or sheets differ.
# Usage: bench/compare_batch.sh OLD_CLI NEW_CLI
set -u
old=${1:?old pierqty-cli} new=${2:?new pierqty-cli}
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
"$(dirname "$0")/make_piers.sh" 10000 > $W/a.csv
"$(dirname "$0")/make_piers.sh" 3000 10 > $W/b.csv
printf 'n, id ,h\n1000,P1,3\n0,P2,3\n\n10,"P,3",3\n1000,P4,6\n' > $W/c.csv
printf 'n,id\r\n10,A\r\n' > $W/d.csv
printf '\xEF\xBB\xBFid,L1,n\nA,"2,5",10\nB,2\xef\xbc\x8c5,10\nC,abc,10\nE, 2.5 ,10\n' > $W/e.csv
printf 'id,l1\nA,0.1\nB,2\n' > $W/f.csv
printf 'id,n,L1\nA,,2.5\nB,1000, \n"two\nlines",10,\n' > $W/g.csv
printf 'id,n,h\nP1,10,3\np1,20,3\n../evil,10,3\n,10,3\nstops,0,3\n墩1,10,3\n' > $W/h.csv
printf 'L1,R1,L2,R2,H1,H2,h,l1,l2,l3,n,id\n2.5,4.488,1.8,13.032,3,0.5,3,0.1,0.1,0.5,1000,all\n1e308,1,1,1,1,1,1,1,1,1,1,big\n' > $W/i.csv
fail=0
for f in $W/*.csv; do
  for extra in "" "n=10" "h=2.5 l3=0.4"; do
    "$old" --batch $f $extra > $W/o.out 2> $W/o.err; so=$?
    "$new" --batch $f $extra > $W/n.out 2> $W/n.err; sn=$?
    cmp -s $W/o.out $W/n.out && cmp -s $W/o.err $W/n.err && [ $so = $sn ] || { echo "DIFF $f $extra ($so/$sn)"; fail=1; }
    "$old" --batch - $extra < $f > $W/o.out 2> $W/o.err; so=$?
    "$new" --batch - $extra < $f > $W/n.out 2> $W/n.err; sn=$?
    cmp -s $W/o.out $W/n.out && cmp -s $W/o.err $W/n.err && [ $so = $sn ] || { echo "DIFF stdin $f $extra ($so/$sn)"; fail=1; }
  done
done
for f in $W/h.csv $W/c.csv; do
  rm -rf $W/so $W/sn
  PIERQTY_SHEET_DATE=2030-01-01 "$old" --batch $f --sheet $W/so --title T > $W/o.out 2>&1
  PIERQTY_SHEET_DATE=2030-01-01 "$new" --batch $f --sheet $W/sn --title T > $W/n.out 2>&1
  cmp -s $W/o.out $W/n.out && diff -r $W/so $W/sn > /dev/null || { echo "DIFF sheets $f"; fail=1; }
done
echo "compared $(ls $W/*.csv | wc -l) files; differences: $fail"
exit $fail
