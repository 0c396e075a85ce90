#!/usr/bin/env bash
# Writes a batch file of COUNT varied piers at n = LAYERS (1000 when not
# given) to standard output, for the batch benchmarks.
# Usage: bench/make_piers.sh COUNT [LAYERS]
set -euo pipefail
awk -v count="${1:?number of piers}" -v layers="${2:-1000}" 'BEGIN {
  print "id,L1,R1,L2,R2,h,n"
  for (k = 1; k <= count; ++k) {
    h = 1 + (k % 40) * 0.1; r1 = h + (k % 7) * 0.5; r2 = h + 2 + (k % 11)
    printf "P%d,%.2f,%.3f,%.2f,%.3f,%.1f,%s\n", k, 2 + (k % 5) * 0.1, r1, 1.5 + (k % 3) * 0.1, r2, h, layers
  }
}'
