#!/bin/sh
# Makes the small indexed VCF example the shipped workflow config runs on:
# examples/calls.vcf.gz (bgzipped), its index examples/calls.vcf.gz.tbi and
# the population map examples/pops.txt. 320 made-up SNPs on three contigs
# (chr1 160, chr2 100, chr3 60), 48 samples in four populations of 12; a few
# genotypes missing; the populations differ a little at every SNP and much
# at eight SNPs in the middle of chr2. The numbers come from a generator of
# its own (Park and Miller's), so any awk makes the same file.
#   scripts/make-example-vcf.sh [DIR]   (default: examples/ of the repository)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/examples}
for tool in bgzip tabix; do
  command -v "$tool" >/dev/null || { echo "make-example-vcf: needs $tool (scripts/install-deps.sh)" >&2; exit 1; }
done
mkdir -p "$out"

awk 'BEGIN {
  split("north south east west", pop, " ")
  for (p = 1; p <= 4; ++p) for (i = 1; i <= 12; ++i) print pop[p] "_" sprintf("%02d", i) "\t" pop[p]
}' >"$out/pops.txt"

awk '
function uniform() { state = (state * 16807) % 2147483647; return state / 2147483647 }
function clamp(x) { return x < 0.02 ? 0.02 : x > 0.98 ? 0.98 : x }
BEGIN {
  state = 20261208
  split("north south east west", pop, " ")
  split("chr1 chr2 chr3", chrom, " "); split("160 100 60", records, " ")
  print "##fileformat=VCFv4.2"
  print "##source=scripts/make-example-vcf.sh (made-up data)"
  for (c = 1; c <= 3; ++c) print "##contig=<ID=" chrom[c] ",length=" records[c] * 20000 ">"
  print "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">"
  line = "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT"
  for (p = 1; p <= 4; ++p) for (i = 1; i <= 12; ++i) line = line "\t" pop[p] "_" sprintf("%02d", i)
  print line
  split("A C G T", base, " ")
  for (c = 1; c <= 3; ++c) {
    pos = 0
    for (k = 1; k <= records[c]; ++k) {
      pos += 2000 + int(uniform() * 18000)
      ref = 1 + int(uniform() * 4)
      alt = 1 + (ref + int(uniform() * 3)) % 4
      mean = 0.05 + 0.9 * uniform()
      # Eight SNPs of chr2 where the populations part: one frequency for
      # north and south, another for east and west.
      apart = c == 2 && k > 46 && k <= 54
      low = 0.05 + 0.15 * uniform()
      high = 0.8 + 0.15 * uniform()
      line = chrom[c] "\t" pos "\t.\t" base[ref] "\t" base[alt] "\t.\tPASS\t.\tGT"
      for (p = 1; p <= 4; ++p) {
        f = apart ? (p <= 2 ? low : high) : clamp(mean + 0.16 * (uniform() - 0.5))
        for (i = 1; i <= 12; ++i) {
          if (uniform() < 0.03) { line = line "\t./."; continue }
          line = line "\t" (uniform() < f ? 1 : 0) "/" (uniform() < f ? 1 : 0)
        }
      }
      print line
    }
  }
}' >"$out/calls.vcf"

rm -f "$out/calls.vcf.gz" "$out/calls.vcf.gz.tbi"
bgzip "$out/calls.vcf"
tabix -p vcf "$out/calls.vcf.gz"
