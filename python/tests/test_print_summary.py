"""A result prints in a screen however many loci it has: the totals, the
first loci and the others with the smallest P, and a count of the rest;
summary() counts what a scan found."""

import math
import re

import numpy as np
import pandas as pd
import pytest

import ortelan
from conftest import CHAIN, TROUT, snp_genepop
from ortelan._summary import adjusted_bh
from ortelan._text import p_values

ROW = re.compile(r"^ *([0-9]+)  ")


def rows_after(shown, heading):
    """The numbers at the start of the rows under `heading`."""
    lines = shown.splitlines()
    start = next((i for i, line in enumerate(lines) if heading in line), None)
    if start is None:
        return []
    numbers = []
    for line in lines[start + 1:]:
        match = ROW.match(line)
        if not match:
            break
        numbers.append(int(match.group(1)))
    return numbers


@pytest.mark.parametrize("values, estimate, shown", [
    ([1.37e-92, 0.174565622920021, 0.00191, 0, 1e-310, math.nan], False,
     ["1.37e-92", "0.175", "0.00191", "< 1e-300", "< 1e-300", ""]),
    ([0, 0.5, 1, 0.000224, 2.24e-05, 6.5e-51, 0.000149988], True,
     ["0", "0.5", "1", "0.000224", "2.24e-05", "6.5e-51", "0.00015"]),
])
def test_p_values_print_with_three_significant_digits(values, estimate, shown):
    assert p_values(values, estimate) == shown


def test_a_scan_prints_the_totals_the_first_loci_and_the_smallest_p_and_counts_the_rest(tmp_path):
    x = ortelan.homogeneity_test(snp_genepop(tmp_path / "scan.gen", 3000, 2, 4), seed=3)
    assert set(x.loci["method"].dropna()) == {"exact"}
    # Ties: three chain estimates of 0 go by their chi-square's P.
    x.loci.loc[[2000, 2001, 2002], ["p_fisher", "method"]] = [0.0, "chain"]
    x.loci.loc[[2000, 2001, 2002], "p_chi2"] = [1e-3, 1e-9, 1e-6]
    shown = repr(x)
    lines = shown.splitlines()
    heads = next(i for i, line in enumerate(lines) if line.startswith("Locus  Name"))
    assert re.match(r"^ +TOTAL ", lines[heads + 1])
    assert len(lines) - heads <= 30
    assert rows_after(shown, "The first 10 of 3,000 loci:") == list(range(1, 11))
    p = x.loci["p_fisher"].to_numpy()
    others = [i for i in range(10, len(p)) if not np.isnan(p[i])]
    smallest = sorted(others, key=lambda i: (p[i], x.loci["p_chi2"][i], i))[:10]
    assert smallest[:3] == [2001, 2002, 2000]
    assert rows_after(shown, "The 10 other loci with the smallest P(Fisher):") == [i + 1 for i in smallest]
    assert re.search(r"^(\u2026|\.\.\.) 2,980 more loci in \.loci$", shown, re.M)
    assert rows_after(x.to_string(n=6), "The 3 other loci") == [i + 1 for i in smallest[:3]]
    assert rows_after(x.to_string(n=math.inf), "Locus  Name") == list(range(1, 3001))
    with pytest.raises(ValueError, match="n must be"):
        x.to_string(n=-1)
    # With no exact test the chi-square's P ranks the loci.
    none = ortelan.homogeneity_test(tmp_path / "scan.gen", seed=3, test="none", loci=[*range(1, 9), *range(2993, 3001)])
    q = none.loci["p_chi2"].to_numpy()
    expected = none.loci["locus"].to_numpy()[2 + np.argsort(q[2:], kind="stable")[:2]].tolist()
    assert rows_after(none.to_string(n=4), "The 2 other loci with the smallest P(chi2):") == expected


def test_a_small_result_prints_every_locus_and_many_pairs_print_like_loci(tmp_path):
    x = ortelan.homogeneity_test(snp_genepop(tmp_path / "s.gen", 5, 20, 3, seed=2), seed=4, pairs=True)
    shown = repr(x)
    assert rows_after(shown, "Locus  Name") == [1, 2, 3, 4, 5]
    lines = shown.splitlines()
    last = next(i for i, line in enumerate(lines) if re.match(r"^ +5  snp_5", line))
    assert re.match(r"^ +TOTAL ", lines[last + 1])  # the totals last, as in the report
    assert re.search(r"^(\u2026|\.\.\.) 170 more pairs, and every pair's loci, in \.pairs$", shown, re.M)
    pair_row = re.compile(r"^ +([0-9]+)  p[0-9]+_3 +([0-9]+)  p")
    assert sum(bool(pair_row.match(line)) for line in lines) == 20
    assert sum(bool(pair_row.match(line)) for line in x.to_string(max_pairs=math.inf).splitlines()) == 190
    none = x.to_string(max_pairs=0).splitlines()
    assert none[-2] == "Pairs of populations, over their tested loci:"


def test_summary_counts_are_those_of_the_data_frames(tmp_path):
    # Four populations of 8: tables the chain walks beside exact ones.
    x = ortelan.homogeneity_test(snp_genepop(tmp_path / "s.gen", 400, 4, 8, seed=5), seed=6, pairs=True, bootstrap=50,
                                 sampler="chain", **CHAIN)
    s = x.summary()
    l = x.loci
    assert (l["method"] == "chain").sum() > 0 and (l["method"] == "exact").sum() > 0
    tested = l["p_fisher"].notna()
    p = l["p_fisher"][tested].to_numpy().copy()
    p[p == 0] = 1 / (CHAIN["batches"] * CHAIN["iterations"])  # a chain's 0: P below about that
    assert s.loci == {"read": 400, "run": 400, "tested": int(tested.sum()), "untested": int((~tested).sum())}
    assert s.methods == {"exact": int((l["method"] == "exact").sum()), "sampled": 0, "tail": 0,
                         "chain": int((l["method"] == "chain").sum()),
                         "chain_zero": int(((l["method"] == "chain") & (l["p_fisher"] == 0)).sum()),
                         "sampled_floor": 0}
    assert s.significant == {"nominal": int((p <= 0.05).sum()), "bonferroni": int((p <= 0.05 / len(p)).sum()),
                             "fdr": int((adjusted_bh(p) <= 0.05).sum())}
    assert s.fst == {k: x.total[k].iloc[0] for k in ("fst", "fst_low", "fst_high")}
    totals = x.pairs[x.pairs["locus"].isna()]
    assert s.pairs["most"]["fst"].tolist() == sorted(totals["fst"], reverse=True)[:3]
    assert s.pairs["least"]["fst"].tolist() == sorted(totals["fst"])[:3]
    shown = repr(s)
    assert re.search(r"^Loci read +400$", shown, re.M)
    assert re.search(rf"^  <= 0\.05 / {int(tested.sum())} \(Bonferroni\) +{s.significant['bonferroni']}$", shown, re.M)
    assert "The most differentiated pairs, by F_ST over loci:" in shown


@pytest.mark.parametrize("tables, note", [
    ([0, 0], []),
    ([514, 0], ["  (a P-value from independent tables reached no hit, no table drawn as extreme as the observed one:",
                "   it is at its floor 1 / (B + 1) for its B tables, here 0.00194 (B = 514); a larger samples= resolves "
                "it)"]),
    ([514, 0, 49, 514], ["  (3 P-values from independent tables reached no hit, no table drawn as extreme as the "
                         "observed one:",
                         "   each is at its floor 1 / (B + 1) for its B tables, here from 0.00194 (B = 514) to 0.02 "
                         "(B = 49); a larger samples= resolves them)"])])
def test_summary_names_the_sampled_p_values_at_their_floor(tables, note):
    # A P from independent tables whose lower limit is 0 reached no hit: 1 / (B + 1).
    from ortelan._result import Result
    p = [1 / (b + 1) if b else 0.3 for b in tables]
    loci = pd.DataFrame({"locus": range(1, len(p) + 1), "p_fisher": p, "p_low": [0.0 if b else 0.2 for b in tables],
                         "p_high": [0.6] * len(p), "method": ["sampled"] * len(p)})
    settings = {"program": "ortelan_2d", "seed": 1, "batches": 100, "iterations": 5000, "sampler": "independent"}
    s = Result(loci, pd.DataFrame({"fst": [np.nan]}), None, settings, {"title": "t", "loci": len(p)}).summary()
    assert s.methods["sampled_floor"] == sum(1 for b in tables if b)
    lines = repr(s).splitlines()
    start = next((i for i, line in enumerate(lines) if "reached no hit" in line), len(lines))
    assert lines[start:start + 2] == note


def test_the_package_s_modules_import_one_another_without_a_circle():
    import ast
    from pathlib import Path
    package = Path(ortelan.__file__).parent
    imports = {}
    for module in package.glob("*.py"):
        names = set()
        for node in ast.walk(ast.parse(module.read_text())):
            if isinstance(node, ast.ImportFrom) and node.level == 1:
                names |= {node.module} if node.module else {a.name for a in node.names}
        imports[module.stem] = names

    def reaches(start, goal, seen=()):
        return any(m == goal or (m not in seen and reaches(m, goal, seen + (m,))) for m in imports.get(start, ()))

    assert [m for m in imports if reaches(m, m)] == []


@pytest.mark.parametrize("p", [[0.01, 0.02, 0.03, 0.5], [0.5, 0.001, 0.04, 0.04, 0.2], [1.0], []])
def test_the_false_discovery_rate_is_benjamini_and_hochberg_s(p):
    m = len(p)
    expected = [min(1, min(m / (j + 1) * q for j, q in enumerate(sorted(p)) if q >= v)) for v in p]
    np.testing.assert_allclose(adjusted_bh(p), expected)


def test_the_example_prints_as_the_report_and_its_summary():
    x = ortelan.homogeneity_test(TROUT, program="ortelan_3d", seed=1)
    assert repr(x).splitlines()[5:] == [
        "Locus  Name    P(Fisher)    SE(P)    Chi2  df   P(chi2)    F_ST",
        "    1  Str15     0.00201  0.00000  15.972   4   0.00306  0.1995",
        "    2  Ssa85     0.00015  0.00000  19.230   4  0.000708  0.3032",
        "    3  LDH-C1",
        "    4  sMEP-1      0.189  0.00000   3.491   2     0.175  0.0242",
        "       TOTAL    8.92e-06           38.693  10  2.87e-05  0.1969",
        "3 of the 3 P-values are exact, from every table with the locus's margins: their SE of 0 means exact."]
    assert "  not tested                               1" in repr(x.summary())
    assert isinstance(ortelan.fst_matrix(ortelan.homogeneity_test(TROUT, program="ortelan_3d", seed=1, pairs=True)),
                      pd.DataFrame)
