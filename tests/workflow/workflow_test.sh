#!/bin/sh
# The Snakemake workflow on one machine, with two cores: region shards of a
# small VCF (by contig, and by a list of regions), and blocks of loci of a
# GENEPOP file, put together by `merge`, give the whole run's tables from
# their second line on and the whole run's plots byte for byte.
#   workflow_test.sh SOURCE_DIR PROGRAM_DIR
set -eu
source_dir=$1
programs=$2
for tool in snakemake bgzip tabix; do
  command -v "$tool" >/dev/null || { echo "workflow_test: skipped, no $tool"; exit 77; }
done
work=$(mktemp -d)
# KEEP=1 leaves the work directory for a look.
if [ -n "${KEEP:-}" ]; then echo "$work"; else trap 'rm -rf "$work"' EXIT; fi
cd "$work"

# Three contigs, 30 samples in three populations with their own allele
# frequencies; a few genotypes missing, every seventh record of three alleles.
awk 'BEGIN {
  srand(7)
  print "##fileformat=VCFv4.2"
  print "##contig=<ID=chr1>"; print "##contig=<ID=chr2>"; print "##contig=<ID=chrX>"
  print "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">"
  line = "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT"
  for (s = 1; s <= 30; ++s) line = line "\ts" s
  print line
  split("chr1 chr2 chrX", chrom, " "); split("20 15 8", records, " ")
  for (c = 1; c <= 3; ++c) for (k = 1; k <= records[c]; ++k) {
    alleles = k % 7 == 0 ? 3 : 2
    line = chrom[c] "\t" 1000 * k "\t.\tA\t" (alleles == 3 ? "C,G" : "C") "\t.\tPASS\t.\tGT"
    for (s = 0; s < 30; ++s) {
      if (rand() < 0.05) { line = line "\t./."; continue }
      common = 0.2 + 0.3 * int(s / 10)
      g = ""
      for (a = 0; a < 2; ++a) g = g (a ? "/" : "") (rand() < common ? 0 : 1 + int(rand() * (alleles - 1)))
      line = line "\t" g
    }
    print line
  }
}' >calls.vcf
bgzip calls.vcf
tabix -p vcf calls.vcf.gz
awk 'BEGIN { for (s = 1; s <= 30; ++s) print "s" s "\t" (s <= 10 ? "north" : s <= 20 ? "south" : "east") }' >pops.txt

# 25 loci of two-digit codes in three populations of 12.
awk 'BEGIN {
  srand(11)
  print "Made-up microsatellites"
  for (l = 1; l <= 25; ++l) print "loc" l
  for (p = 1; p <= 3; ++p) {
    print "Pop"
    for (i = 1; i <= 12; ++i) {
      line = "p" p "_" i ","
      for (l = 1; l <= 25; ++l) {
        g = ""
        for (a = 0; a < 2; ++a) g = g sprintf("%02d", 1 + int(rand() * (2 + (l + p) % 4)))
        line = line " " g
      }
      print line
    }
  }
}' >micro.gen

fail() { echo "workflow_test: $*" >&2; exit 1; }
# The file from its second line on.
body() { tail -n +2 "$1"; }

# scan NAME PROGRAM DATA POPMAP SHARDING...: the workflow into NAME/, and the
# whole run into NAME-whole.*, compared.
scan() {
  name=$1 program=$2 data=$3 popmap=$4
  shift 4
  {
    echo "data: $data"
    echo "popmap: '$popmap'"
    echo "program: $programs/$program"
    echo "seed: 3"
    echo "dememorization: 200"
    echo "batches: 10"
    echo "iterations: 200"
    echo "bootstrap: 30"
    echo "pairs: true"
    echo "output: $name"
    for setting in "$@"; do echo "$setting"; done
  } >"$name.yaml"
  test=$(sed -n 's/^test: //p' "$name.yaml")
  snakemake --quiet --cores 2 -s "$source_dir/workflow/Snakefile" --configfile "$name.yaml" >"$name.log" 2>&1 ||
    { cat "$name.log" >&2; fail "$name: the workflow failed"; }
  "$programs/$program" -q -s 3 -d 200 -b 10 -i 200 --bootstrap 30 ${test:+--test "$test"} ${popmap:+--popmap "$popmap"} -o /dev/null \
    -t "$name-whole.tsv" --pairs "$name-whole-pairs.tsv" --manhattan "$name-whole.svg" \
    --pairs-plot "$name-whole-heat.svg" "$data" || fail "$name: the whole run failed"
  body "$name-whole.tsv" >"$name-whole.body"
  body "$name/results.tsv" | cmp - "$name-whole.body" || fail "$name: the results table differs from the whole run's"
  body "$name-whole-pairs.tsv" >"$name-whole-pairs.body"
  body "$name/pairs.tsv" | cmp - "$name-whole-pairs.body" || fail "$name: the pairs table differs from the whole run's"
  cmp "$name/manhattan.svg" "$name-whole.svg" || fail "$name: the Manhattan plot differs"
  cmp "$name/pairs.svg" "$name-whole-heat.svg" || fail "$name: the heatmap differs"
  shards=$(ls "$name/shards" | grep -c -v pairs)
  [ "$shards" -eq "$expected_shards" ] || fail "$name: $shards shards, not $expected_shards"
  grep -q " merged=$expected_shards" "$name/results.tsv" || fail "$name: the first line does not record the merge"
  echo "$name: $shards shards give the whole run"
}

expected_shards=3 scan by-contig ortelan_2d calls.vcf.gz pops.txt "shard_by: contig"
# chr1 in three pieces, the last with no record.
expected_shards=5 scan by-region ortelan_c calls.vcf.gz pops.txt "shard_by: regions" \
  "regions: ['chr1:1-9000', 'chr1:9001-20000', 'chr1:20001-', chr2, chrX]"
expected_shards=3 scan by-loci ortelan_2d micro.gen "" "shard_by: loci" "loci_per_shard: 10" "test: genotypic"
