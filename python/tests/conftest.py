"""What the package's tests share: the example, short chains, the
command-line programs of a CMake build (ORTELAN_BIN_DIR) and their tables
read back, made-up data files, and a child interpreter."""

import os
import random
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

ROOT = Path(__file__).resolve().parents[2]
TROUT = ROOT / "examples" / "trout.gen"
FAULTS = Path(__file__).resolve().parent / "faults"
CHAIN = {"dememorization": 200, "batches": 10, "iterations": 200}
PYTHON = "/usr/bin/python3"

# Columns that hold whole numbers and text in the programs' tables; every other one holds reals.
WHOLE = {"locus", "pop_a", "pop_b", "alleles", "genotypes", "pos", "start", "end", "sites"}
TEXT = {"name", "label_a", "label_b", "chrom", "method"}


def two_digit_copy(path, directory):
    """The three-digit file in two-digit codes ("041043" -> "4143")."""
    import re
    text = re.sub(r"\b0(\d\d)0(\d\d)\b", r"\1\2", Path(path).read_text())
    copy = Path(directory) / (Path(path).stem + "-2d.gen")
    copy.write_text(text)
    return copy


def read_table(path):
    """A table of the programs as the package should give it: every number
    read to the nearest double."""
    table = pd.read_csv(path, sep="\t", comment="#", dtype=str, keep_default_na=False)
    out = {}
    for name in table.columns:
        column = table[name]
        if name in ("name", "label_a", "label_b"):
            out[name] = list(column)
        elif name in TEXT:
            out[name] = [None if v == "NA" else v for v in column]
        elif name in WHOLE:
            out[name] = pd.array([None if v in ("NA", "TOTAL") else int(v) for v in column], dtype="Int64")
        else:
            out[name] = np.array([float("nan") if v == "NA" else float(v) for v in column])
    return pd.DataFrame(out)


def command_line(program, data, seed, *extra, directory):
    """A run of a program in `directory`: its results and pairs tables, its
    report and the line of its error. Skipped without ORTELAN_BIN_DIR."""
    bin_dir = os.environ.get("ORTELAN_BIN_DIR")
    if not bin_dir:
        pytest.skip("ORTELAN_BIN_DIR (a CMake build directory) is not set")
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    table, pairs, report = directory / "table.tsv", directory / "pairs.tsv", directory / "report.out"
    done = subprocess.run([str(Path(bin_dir) / program), "-q", "-s", str(seed), *map(str, extra), "-t", str(table),
                           "--pairs", str(pairs), "-o", str(report), str(data)],
                          cwd=directory, capture_output=True, text=True)
    errors = [line.split(": error: ", 1)[1] for line in done.stderr.splitlines() if ": error: " in line]
    return {"table": read_table(table) if table.exists() else None,
            "pairs": read_table(pairs) if pairs.exists() else None,
            "report": report.read_bytes() if report.exists() else None,
            "stderr": done.stderr.splitlines(), "error": errors[0] if errors else "", "status": done.returncode,
            "paths": (table, pairs)}


def locus_rows(table):
    """A results table's loci as Result.loci has them."""
    rows = table[table["locus"].notna()].drop(columns=["fst_low", "fst_high"]).reset_index(drop=True)
    rows["locus"] = rows["locus"].astype("int64")
    for name in ("alleles", "genotypes", "pos"):
        if name in rows:
            rows[name] = rows[name].astype("int64")
    return rows


def total_row(table, columns):
    return table[table["locus"].isna()][list(columns)].reset_index(drop=True)


def assert_same_frame(actual, expected):
    """Equal columns, names and types (whole numbers, reals, text), every
    number to the last bit, NA where NA."""
    assert list(actual.columns) == list(expected.columns)
    for name in expected.columns:
        a, e = actual[name], expected[name]
        if name in TEXT:
            assert a.tolist() == e.tolist(), name
        elif name in WHOLE:
            assert pd.api.types.is_integer_dtype(a.dtype), name
            assert a.astype("Int64").fillna(-1).tolist() == e.astype("Int64").fillna(-1).tolist(), name
        else:
            assert a.dtype == np.float64, name
            np.testing.assert_array_equal(a.to_numpy(), e.to_numpy(), err_msg=name)


def child_environment(**changes):
    """The tests' environment, with the package they import."""
    return dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p), **changes)


def run_child(script, cwd, *arguments, env=None, timeout=300):
    """`script` in Debian's interpreter, in a process of its own."""
    return subprocess.run([PYTHON, "-c", script, *map(str, arguments)], cwd=cwd, env=child_environment(**(env or {})),
                          capture_output=True, text=True, timeout=timeout)


def snp_genepop(path, loci, populations, per_population, seed=1):
    """A GENEPOP file of SNPs in two-digit codes, the names on one line, the
    allele frequencies drawn per population so that some loci differ."""
    rng = random.Random(seed)
    lines = ["A made-up scan", ", ".join(f"snp_{i}" for i in range(1, loci + 1))]
    for p in range(1, populations + 1):
        frequency = [rng.random() for _ in range(loci)]
        lines.append("Pop")
        for i in range(1, per_population + 1):
            genes = [f" {1 + (rng.random() > f):02d}{1 + (rng.random() > f):02d}" for f in frequency]
            lines.append(f"p{p}_{i}," + "".join(genes))
    Path(path).write_text("\n".join(lines) + "\n")
    return Path(path)


def snp_vcf(directory, sites_per_contig=20, samples=8, seed=3):
    """A bgzipped, indexed VCF of two contigs and its map: half the samples
    north, half south. Skipped without bgzip and tabix."""
    if not shutil.which("bgzip") or not shutil.which("tabix"):
        pytest.skip("bgzip and tabix are not installed")
    rng = random.Random(seed)
    names = [f"s{i}" for i in range(1, samples + 1)]
    lines = ["##fileformat=VCFv4.2", "##contig=<ID=chr1>", "##contig=<ID=chr2>",
             '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
             "\t".join(["#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT", *names])]
    for chrom in ("chr1", "chr2"):
        for pos in range(100, 100 * (sites_per_contig + 1), 100):
            genotypes = [f"{rng.randint(0, 1)}/{rng.randint(0, 1)}" for _ in names]
            lines.append("\t".join([chrom, str(pos), ".", "A", "G", ".", ".", ".", "GT", *genotypes]))
    vcf = Path(directory) / "calls.vcf"
    vcf.write_text("\n".join(lines) + "\n")
    subprocess.run(["bgzip", "-f", str(vcf)], check=True)
    subprocess.run(["tabix", "-p", "vcf", str(vcf) + ".gz"], check=True)
    popmap = Path(directory) / "pops.txt"
    popmap.write_text("".join(f"{s}\t{'north' if i < samples // 2 else 'south'}\n" for i, s in enumerate(names)))
    return Path(str(vcf) + ".gz"), popmap


def long_tests():
    return bool(os.environ.get("ORTELAN_LONG_TESTS"))

