#!/usr/bin/python3
"""homogeneity_test() of the Python package against the command line, on
one file with the same settings: a bgzipped VCF of 28,501 biallelic SNPs of
1,000 individuals in two populations of 500 with its map (the panel of
exact_bench.cpp's TwoPopulationPanel, drawn alike), at the default chain,
every locus a 2 x 2 table. The two are run in turn, A B A B ..., and the
median times and the median of the pairs' ratios told:

  A: in a Python process that has imported the package,
     ortelan.homogeneity_test("panel.vcf.gz", popmap="pops.txt", seed=20261208)
  B: ortelan_2d -q -s 20261208 --popmap pops.txt -t scan.tsv -o scan.out panel.vcf.gz
     (a whole process: its results table and report written)

  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
  cmake --build build-bench -j2 --target ortelan_2d
  scripts/install-python.sh build-bench/python-library
  PYTHONPATH=build-bench/python-library bench/python_bench.py build-bench/ortelan_2d [RUNS]

Needs bgzip (Debian's tabix) to write the panel.
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

import ortelan

LOCI, POPULATIONS, INDIVIDUALS, SPREAD = 28501, 2, 500, 0.4
SEED = 20261208


def write_panel(directory):
    """The panel: each locus's first allele's frequency drawn, and moved
    apart between the populations by up to SPREAD."""
    rng = np.random.default_rng(88172645463325252)
    samples = [f"p{p}_{i}" for p in range(1, POPULATIONS + 1) for i in range(1, INDIVIDUALS + 1)]
    with open(os.path.join(directory, "pops.txt"), "w") as out:
        out.writelines(f"{s}\tpop{s[1:s.index('_')]}\n" for s in samples)
    base = 0.1 + 0.8 * rng.random(LOCI)
    frequency = np.clip(base[:, None] + SPREAD * (rng.random((LOCI, POPULATIONS)) - 0.5), 0.02, 0.98)
    p = np.repeat(frequency, INDIVIDUALS, axis=1)
    genes = (rng.random((2, LOCI, len(samples))) >= p).astype(np.uint8)
    cells = np.empty((LOCI, len(samples), 4), dtype=np.uint8)
    cells[:, :, 0] = ord("\t")
    cells[:, :, 1] = ord("0") + genes[0]
    cells[:, :, 2] = ord("/")
    cells[:, :, 3] = ord("0") + genes[1]
    header = ("##fileformat=VCFv4.2\n##contig=<ID=chr1>\n"
              '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n'
              "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(samples) + "\n")
    with open(os.path.join(directory, "panel.vcf.gz"), "wb") as out:
        bgzip = subprocess.Popen(["bgzip", "-c"], stdin=subprocess.PIPE, stdout=out)
        bgzip.stdin.write(header.encode())
        for locus in range(LOCI):
            bgzip.stdin.write(f"chr1\t{100 * (locus + 1)}\tsnp{locus + 1}\tA\tC\t.\tPASS\t.\tGT".encode())
            bgzip.stdin.write(cells[locus].tobytes())
            bgzip.stdin.write(b"\n")
        bgzip.stdin.close()
        if bgzip.wait() != 0:
            raise SystemExit("bgzip failed")


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    with tempfile.TemporaryDirectory() as directory:
        os.chdir(directory)
        write_panel(directory)
        command = [program, "-q", "-s", str(SEED), "--popmap", "pops.txt", "-t", "scan.tsv", "-o", "scan.out",
                   "panel.vcf.gz"]

        def package():
            return ortelan.homogeneity_test("panel.vcf.gz", popmap="pops.txt", seed=SEED)

        def command_line():
            subprocess.run(command, check=True)

        package()
        command_line()  # warm-up: the file in the page cache
        times = {"package": [], "command line": []}
        for _ in range(runs):
            for name, run in (("package", package), ("command line", command_line)):
                started = time.perf_counter()
                run()
                times[name].append(time.perf_counter() - started)
        ratios = [a / b for a, b in zip(times["package"], times["command line"])]
        r = package()
        assert len(r.loci) == LOCI and (r.loci["method"] == "exact").all()
    for name, values in times.items():
        print(f"{name:>13}: median {statistics.median(values):.3f} s (min {min(values):.3f}, max {max(values):.3f})")
    print(f"package / command line: median of {runs} pairs {statistics.median(ratios):.3f} "
          f"(min {min(ratios):.3f}, max {max(ratios):.3f})")


if __name__ == "__main__":
    main()
