#!/usr/bin/env bash
# Writes a batch file of COUNT varied piers at n = 1000 to standard output,
# for the batch benchmarks. Usage: bench/make_piers.sh COUNT
set -euo pipefail
awk -v count="${1:?number of piers}" 'BEGIN {
  print "id,L1,R1,L2,R2,h,n"
  for (k = 1; k <= count; ++k) {
    h = 1 + (k % 40) * 0.1; r1 = h + (k % 7) * 0.5; r2 = h + 2 + (k % 11)
    printf "P%d,%.2f,%.3f,%.2f,%.3f,%.1f,1000\n", k, 2 + (k % 5) * 0.1, r1, 1.5 + (k % 3) * 0.1, r2, h
  }
}'
