#!/bin/sh
# Makes the seeds of the merge's fuzz target in fuzz/corpus/merge/ from the
# examples, with the programs: each seed is the tables of one merge,
# separated by a NUL byte (what merge_fuzz reads). Region shards of
# examples/calls.vcf.gz and --loci shards of examples/trout.gen, results and
# pairs tables, for each program and test; then the fault cases of the
# merge's tests (tests/apps/merge_test.cpp) made from them. The findings of
# the fuzzer are kept beside them, as finding-*, and are not made here.
#   fuzz/make-merge-corpus.sh PROGRAM_DIR
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
programs=$(cd "$1" && pwd)
out=$root/fuzz/corpus/merge
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cp "$root/examples/calls.vcf.gz" "$root/examples/calls.vcf.gz.tbi" "$root/examples/pops.txt" \
  "$root/examples/trout.gen" "$work/"
cd "$work"

# seed NAME TABLE...: the tables, NUL between them.
seed() {
  name=$1
  shift
  : >"$out/$name"
  first=true
  for table in "$@"; do
    [ "$first" = true ] || printf '\0' >>"$out/$name"
    first=false
    cat "$table" >>"$out/$name"
  done
}
vcf="--popmap pops.txt"
# Three or four SNPs a shard, one shard with none.
regions="chr1:1-40000 chr2:1-30000 chr3:5000000-6000000"
for program in ortelan_3d ortelan_2d ortelan_c; do
  for test in genic genic-g genotypic none; do
    name=${program#ortelan_}-$test
    bootstrap=""
    [ "$test" = none ] || bootstrap="--bootstrap 5"
    k=0
    tables=""
    pairs=""
    for region in $regions; do
      k=$((k + 1))
      # shellcheck disable=SC2086
      "$programs/$program" -q -s 7 -d 50 -b 2 -i 20 --test "$test" $bootstrap $vcf --region "$region" \
        -o /dev/null -t "$name-$k.tsv" --pairs "$name-$k-pairs.tsv" calls.vcf.gz
      tables="$tables $name-$k.tsv"
      pairs="$pairs $name-$k-pairs.tsv"
    done
    # shellcheck disable=SC2086
    seed "regions-$name" $tables $pairs
  done
done
# --loci shards of the GENEPOP example, in every program (ortelan_2d reads it
# with two-digit codes).
sed -E 's/0([0-9]{2})0([0-9]{2})/\1\2/g' trout.gen >trout2.gen
for program in ortelan_3d ortelan_2d ortelan_c; do
  file=trout.gen
  [ "$program" = ortelan_2d ] && file=trout2.gen
  name=${program#ortelan_}
  for loci in 1-2 3-4; do
    "$programs/$program" -q -s 5 -d 50 -b 2 -i 20 --exact never --bootstrap 4 --loci "$loci" -o /dev/null \
      -t "loci-$name-$loci.tsv" --pairs "loci-$name-$loci-pairs.tsv" "$file"
  done
  seed "loci-$name" "loci-$name-3-4.tsv" "loci-$name-1-2.tsv" "loci-$name-3-4-pairs.tsv" "loci-$name-1-2-pairs.tsv"
done
# A merged table, merged again.
"$programs/ortelan_3d" merge -t merged.tsv --pairs merged-pairs.tsv loci-3d-1-2.tsv loci-3d-3-4.tsv \
  loci-3d-1-2-pairs.tsv loci-3d-3-4-pairs.tsv
seed merged-again merged.tsv merged-pairs.tsv

# The faults of the merge's tests.
run="-q -d 100 -b 4 -i 100 -o /dev/null"
# shellcheck disable=SC2086
{
  "$programs/ortelan_3d" $run -s 2 --loci 3-4 -t seed2.tsv trout.gen
  "$programs/ortelan_3d" $run -s 1 --loci 2-3 -t overlap.tsv trout.gen
  "$programs/ortelan_3d" $run -s 1 --loci 3-4 --test genic-g -t g.tsv trout.gen
  "$programs/ortelan_c" $run -s 1 --loci 3-4 -t c.tsv trout.gen
  "$programs/ortelan_3d" $run -s 1 --loci 1-2 -t a.tsv --pairs a-p.tsv trout.gen
  "$programs/ortelan_3d" $run -s 1 --loci 3-4 -t b.tsv --pairs b-p.tsv trout.gen
}
size=$(wc -c <a.tsv)
head -c $((size - 20)) a.tsv >cut.tsv
sed '/^TOTAL/,$d' a.tsv >notail.tsv
: >empty.tsv
seed fault-other-seed a.tsv seed2.tsv
seed fault-other-test a.tsv g.tsv
seed fault-overlap a.tsv overlap.tsv
seed fault-same-shard-twice a.tsv a.tsv
seed fault-other-program a.tsv c.tsv
seed fault-cut-short b.tsv cut.tsv
seed fault-no-total b.tsv notail.tsv
seed fault-empty empty.tsv
seed fault-genepop-file trout.gen
# A pairs table whose first pair lost its TOTAL row.
awk '!(/\tTOTAL\t/ && !done) { print; next } { done = 1 }' a-p.tsv >pairs-no-total.tsv
seed fault-pair-without-total pairs-no-total.tsv b-p.tsv
