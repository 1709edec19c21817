#!/bin/sh
# The shipped workflow config on the shipped example, as a user runs it from
# a fresh clone: in a copy of the files git tracks, with the programs where
# scripts/run-example.sh builds them (build-release/), the dry run and a run
# on two cores work from the top directory; the merged table and plot are
# those of one run over the example; what the run writes is ignored by git.
# And scripts/make-example-vcf.sh makes the example that is shipped.
#   example_test.sh SOURCE_DIR PROGRAM_DIR
set -eu
source_dir=$1
programs=$2
for tool in snakemake bcftools bgzip tabix; do
  command -v "$tool" >/dev/null || { echo "example_test: skipped, no $tool"; exit 77; }
done
work=$(mktemp -d)
# KEEP=1 leaves the work directory for a look.
if [ -n "${KEEP:-}" ]; then echo "$work"; else trap 'rm -rf "$work"' EXIT; fi
fail() { echo "example_test: $*" >&2; exit 1; }

# The example is what the script makes.
"$source_dir/scripts/make-example-vcf.sh" "$work/made" || fail "scripts/make-example-vcf.sh failed"
bgzip -dc "$source_dir/examples/calls.vcf.gz" >"$work/shipped.vcf"
bgzip -dc "$work/made/calls.vcf.gz" | cmp - "$work/shipped.vcf" ||
  fail "examples/calls.vcf.gz is not what scripts/make-example-vcf.sh makes"
cmp "$work/made/pops.txt" "$source_dir/examples/pops.txt" ||
  fail "examples/pops.txt is not what scripts/make-example-vcf.sh makes"
[ "$(tabix -l "$source_dir/examples/calls.vcf.gz" | tr '\n' ' ')" = "chr1 chr2 chr3 " ] ||
  fail "examples/calls.vcf.gz.tbi does not index the three contigs"
[ "$(grep -vc '^#' "$work/shipped.vcf")" -ge 200 ] || fail "fewer than 200 SNPs in the example"

# A fresh clone: the files git tracks (with their contents of the working
# tree), or where git is not at hand the workflow and the examples.
clone=$work/clone
mkdir "$clone"
tracked=false
if command -v git >/dev/null && git -C "$source_dir" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  tracked=true
  (cd "$source_dir" && git ls-files -z --cached | xargs -0 sh -c 'for f; do [ -f "$f" ] && printf "%s\0" "$f"; done' sh |
    xargs -0 cp --parents -t "$clone")
  (cd "$clone" && git init -q && git add -A) || fail "git in the copy failed"
else
  cp -R "$source_dir/workflow" "$source_dir/examples" "$source_dir/.gitignore" "$clone/"
fi
[ -f "$clone/examples/calls.vcf.gz" ] && [ -f "$clone/examples/calls.vcf.gz.tbi" ] && [ -f "$clone/examples/pops.txt" ] ||
  fail "the example is not among the files git tracks"
mkdir "$clone/build-release"
for program in ortelan_3d ortelan_2d ortelan_c; do ln -s "$programs/$program" "$clone/build-release/$program"; done
cd "$clone"

snakemake -n --cores 2 -s workflow/Snakefile --configfile workflow/config.yaml >"$work/dry.log" 2>&1 ||
  { cat "$work/dry.log" >&2; fail "the dry run failed"; }
grep -Eq '^shard +3( |$)' "$work/dry.log" || { cat "$work/dry.log" >&2; fail "the dry run does not plan 3 shards"; }
[ ! -e scan ] || fail "the dry run wrote scan/"

snakemake --cores 2 -s workflow/Snakefile --configfile workflow/config.yaml >"$work/run.log" 2>&1 ||
  { cat "$work/run.log" >&2; fail "the run failed"; }
for file in scan/results.tsv scan/manhattan.svg scan/shards/1.tsv scan/shards/2.tsv scan/shards/3.tsv; do
  [ -s "$file" ] || fail "the run did not write $file"
done

# One run over the example, with the config's settings.
setting() { sed -n "s/^$1: *\([^ #]*\).*/\1/p" workflow/config.yaml; }
"$(setting program)" -q -s "$(setting seed)" -d "$(setting dememorization)" -b "$(setting batches)" \
  -i "$(setting iterations)" --test "$(setting test)" --exact "$(setting exact)" --bootstrap "$(setting bootstrap)" \
  --popmap "$(setting popmap)" -o /dev/null -t "$work/whole.tsv" --manhattan "$work/whole.svg" "$(setting data)" ||
  fail "the whole run failed"
tail -n +2 "$work/whole.tsv" >"$work/whole.body"
tail -n +2 scan/results.tsv | cmp - "$work/whole.body" || fail "the merged table differs from the whole run's"
cmp scan/manhattan.svg "$work/whole.svg" || fail "the Manhattan plot differs from the whole run's"
grep -q " merged=3" scan/results.tsv || fail "the merged table does not record its 3 shards"
[ "$(tail -n +3 scan/results.tsv | grep -vc '^TOTAL')" -eq "$(grep -vc '^#' "$work/shipped.vcf")" ] ||
  fail "the merged table has not a row per SNP"

if [ "$tracked" = true ]; then
  left=$(git ls-files --others --exclude-standard; git diff --name-only)
  [ -z "$left" ] || fail "the run left files that git does not ignore: $left"
fi
echo "example_test: the shipped config runs on the example, in 3 shards, to the whole run's table and plot"
