#!/usr/bin/env bash
# Runs two builds of pierqty-cli on the same piers in every output mode and
# compares what they write, byte for byte: standard output, standard error,
# the exit status and every file written (a workbook by the contents of its
# zip members, so that only the archive's timestamps and the time of writing
# in its properties may differ). For a
# change that must not change any output: build the old tree and the new one,
# then
#   tools/compare_outputs.sh OLD/build/release/cli/pierqty-cli build/release/cli/pierqty-cli
# It prints each case that differs and exits 1 if any does, else 0.
set -uo pipefail
ref=$(realpath "${1:?usage: compare_outputs.sh REF_CLI NEW_CLI}")
new=$(realpath "${2:?usage: compare_outputs.sh REF_CLI NEW_CLI}")
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PIERQTY_SHEET_DATE=2026-03-01 PIERQTY_THREADS=2
cases=0
differ=0

# Two zips hold the same members with the same contents, but for the time
# of writing in the workbook's properties (dcterms:created and :modified).
same_zip() {
    python3 - "$1" "$2" <<'EOF'
import re, sys, zipfile
a, b = (zipfile.ZipFile(p) for p in sys.argv[1:3])
def read(z, name):
    return re.sub(rb'(<dcterms:(created|modified)[^>]*>)[^<]*', rb'\1', z.read(name))
same = a.namelist() == b.namelist() and all(read(a, n) == read(b, n) for n in a.namelist())
sys.exit(0 if same else 1)
EOF
}

# One case: NAME then the arguments. Each build runs in a folder of its own
# (the same relative paths), with the batch file beside it.
run() {
    local name=$1
    shift
    cases=$((cases + 1))
    for side in ref new; do
        local dir=$work/$side
        rm -rf "$dir" && mkdir -p "$dir" && cp "$work/piers.csv" "$dir/"
        local cli=$ref
        [[ $side == new ]] && cli=$new
        (cd "$dir" && "$cli" "$@" >stdout 2>stderr <piers.csv; echo $? >status)
    done
    local bad=""
    while IFS= read -r file; do
        local a=$work/ref/$file b=$work/new/$file
        if [[ ! -e $b ]]; then
            bad+=" $file(missing)"
        elif [[ $file == *.xlsx ]]; then
            same_zip "$a" "$b" || bad+=" $file"
        else
            cmp -s "$a" "$b" || bad+=" $file"
        fi
    done < <(cd "$work/ref" && find . -type f | sort)
    [[ $(cd "$work/ref" && find . | sort) == $(cd "$work/new" && find . | sort) ]] || bad+=" (the files written)"
    if [[ -n $bad ]]; then
        differ=$((differ + 1))
        echo "DIFFERS: $name:$bad"
    fi
}

# Good rows, a cell that is no number, a row that cannot be built, blank
# cells, an n to round, a number too large, a formula-like id, full-width
# digits, a vertical side, no flared part.
{
    "$here/bench/make_piers.sh" 12 7 | sed 's/^id,L1,R1,L2,R2,h,n$/id,L1,R1,L2,R2,h,n,l3/; 2,$s/$/,0.5/'
    printf '%s\n' 'no-number,2.5abc,4.488,1.8,13.032,3,7,0.5' 'no-digits,2.5,abc,1.8,13.032,3,7,' \
        'unbuildable,-1,4.488,1.8,13.032,3,7,0.5' 'blank,,4.488,1.8,13.032,,,' 'rounded,2.5,4.488,1.8,13.032,3,2.5,0.5' \
        'huge,1e300,4.488,1.8,13.032,3,7,0.5' 'too-many,2.5,4.488,1.8,13.032,3,99999,0.5' \
        '"=HYPERLINK(""x"")",2.5,4.488,1.8,13.032,3,7,0.5' 'full-width,２.５,4.488,1.8,13.032,3,7,0.5' \
        'vertical,2.5,100000,1.8,13.032,3,7,0.5' 'flat,2.5,4.488,1.8,13.032,0,7,0.5' \
        'h-above-R1,2.5,2,1.8,13.032,3,7,0.5'
} > "$work/piers.csv"

# The default pier and n = 1, 7 and 32767; piers whose texts are read
# otherwise; a pier that cannot be built; one without a flared part; one with
# vertical sides; one whose exact figures do not apply.
pier_sets=("" "n=1" "n=7" "n=32767" "L1=2.5abc n=2.5" "L1=abc l3=" "n=２" "L1=-1 n=7" "h=0 n=7"
    "R1=100000 n=7" "R2=100000 n=7" "R1=100000 R2=100000 n=7" "h=4.488 n=7" "h=5 n=7" "L1=1e300 n=7" "n=99999")
for set in "${pier_sets[@]}"; do
    read -r -a params <<< "$set"
    for mode in "" "--json" "--exact" "--json --exact" "--csv" "--bom" "--bom --csv" "--lenient" \
        "--lenient --json --exact" "--sheet sheet.html" "--lenient --sheet sheet.html" \
        "--sheet sheet.html --project 某桥 --pier 3#" "--xlsx bill.xlsx"; do
        read -r -a flags <<< "$mode"
        run "[$mode] $set" "${flags[@]}" "${params[@]}"
    done
done

for defaults in "" "n=2.5" "h=3.5 n=7" "L1=2,5"; do
    read -r -a params <<< "$defaults"
    for mode in "" "--bom" "--sheet sheets" "--sheet summary.html --project 某桥" "--xlsx bridge.xlsx --split-formwork"; do
        read -r -a flags <<< "$mode"
        run "[--batch $mode] $defaults" --batch piers.csv "${flags[@]}" "${params[@]}"
    done
done
run "[--batch - from standard input]" --batch -

echo "$cases cases, $differ differ"
[[ $differ -eq 0 ]]
