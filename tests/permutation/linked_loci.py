"""The level of the tests over loci where loci are linked, through a
program: null data sets of 5 SNPs each written 8 times (as closely linked
as loci can be), 45 samples in 3 populations with no structure, as VCF
files; the share of them that Fisher's method on the TOTAL row (over the
exact tests) and the permutation test (99 permutations) reject at 5 %.
Run by hand, in a scratch directory (it writes x.vcf and pops.txt there):

    python3 tests/permutation/linked_loci.py build-release/ortelan_2d 400

The manual quotes its figures (docs/hierarchy.md)."""

import random
import subprocess
import sys

program, sets = sys.argv[1], int(sys.argv[2])
fisher = permuted = 0
for s in range(sets):
    rnd = random.Random(s)
    samples = [f"s{i}" for i in range(45)]
    with open("pops.txt", "w") as m:
        for i, name in enumerate(samples): m.write(f"{name}\tp{i // 15}\n")
    lines = ["##fileformat=VCFv4.2", "##contig=<ID=c>", '##FORMAT=<ID=GT,Number=1,Type=String,Description="GT">',
             "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(samples)]
    pos = 0
    for snp in range(5):
        q = rnd.uniform(0.2, 0.8)
        gts = "\t".join(f"{int(rnd.random() < q)}/{int(rnd.random() < q)}" for _ in samples)
        for copy in range(8):
            pos += 1
            lines.append(f"c\t{pos}\t.\tA\tC\t.\tPASS\t.\tGT\t{gts}")
    open("x.vcf", "w").write("\n".join(lines) + "\n")
    out = subprocess.run([program, "-q", "-j", "1", "-s", str(s), "--permutations", "99", "--popmap", "pops.txt",
                          "-t", "-", "-o", "/dev/null", "x.vcf"], capture_output=True, text=True, check=True).stdout
    rows = [l.split("\t") for l in out.splitlines() if not l.startswith("#")]
    head, total = rows[0], rows[-1]
    fisher += float(total[head.index("p_fisher")]) <= 0.05
    permuted += float(total[head.index("p_perm")]) <= 0.05
print(f"{sets} null data sets of 5 SNPs written 8 times: Fisher's method {fisher / sets:.3f}, permutation test {permuted / sets:.3f}")
