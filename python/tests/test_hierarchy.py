"""Groups, the analysis of molecular variance and the permutation tests from
Python: groups from a dict, a data frame or a file give one analysis; the
hierarchy's TOTAL row and the permutation test on the total's row; a data
frame of genotypes gives its file's tests; faults of the groups are
ValueErrors."""

import math

import pandas as pd
import pytest

import ortelan
from conftest import CHAIN, TROUT


def run(**keywords):
    return ortelan.homogeneity_test(TROUT, program="ortelan_3d", **CHAIN, **keywords)


def test_groups_give_the_hierarchy_and_permutations_the_tests_over_loci(tmp_path):
    x = run(seed=5, groups={1: "North", 2: "North", 3: "South"}, permutations=199)
    h = x.hierarchy
    assert list(h["name"]) == ["Str15", "Ssa85", "LDH-C1", "sMEP-1", "TOTAL"]
    total = h.iloc[-1]
    assert pd.isna(total["locus"])
    assert total["sigma2_populations"] == pytest.approx(h["sigma2_populations"].iloc[:4].sum())
    assert 0 < total["p_st"] <= 1 and total["p_st_low"] <= total["p_st"] <= total["p_st_high"]
    assert x.total["p_perm"].iloc[0] == total["p_st"]
    assert x.total["perm_made"].iloc[0] == 199
    frame = pd.DataFrame({"population": ["ari07", "bel06", "cor05"], "group": ["North", "North", "South"]})
    pd.testing.assert_frame_equal(run(seed=5, groups=frame, permutations=199).hierarchy, h)
    (tmp_path / "rivers.txt").write_text("1 North\n2 North\n3 South\n")
    pd.testing.assert_frame_equal(run(seed=5, groups=tmp_path / "rivers.txt", permutations=199).hierarchy, h)
    z = run(seed=5, hierarchy=True)
    assert z.hierarchy["f_ct"].isna().all()
    assert z.hierarchy["f_st"].iloc[-1] == pytest.approx(z.total["fst"].iloc[0], rel=1e-12)
    assert "p_perm" not in z.total
    text = x.summary().to_string()
    assert "P over loci, individuals permuted" in text and "F_CT among groups" in text


def test_a_data_frame_of_genotypes_gives_its_individuals_to_the_permutations():
    rows = []
    pops = []
    lines = TROUT.read_text().splitlines()
    loci = lines[1:5]
    pop = 0
    for line in lines[5:]:
        if line.strip().lower().startswith("pop"):
            pop += 1
            continue
        name, genotypes = line.split(",", 1)
        rows.append(dict(zip(loci, genotypes.split())))
        pops.append(f"p{pop}")
    frame = pd.DataFrame(rows)
    frame.insert(0, "pop", pops)
    a = ortelan.homogeneity_test(frame, program="ortelan_3d", seed=8, permutations=99, **CHAIN)
    b = run(seed=8, permutations=99)
    assert a.total["p_perm"].iloc[0] == b.total["p_perm"].iloc[0]
    assert math.isclose(a.total["g_sum"].iloc[0], b.total["g_sum"].iloc[0], rel_tol=1e-12)


@pytest.mark.parametrize("groups, message", [
    ({1: "North", 2: "North", 3: "North"}, "at least two groups are needed"),
    ({1: "North", 3: "South"}, "has no group"),
    ({1: "North", 2: None}, "groups has a missing population or group"),
])
def test_faults_of_the_groups_are_value_errors(groups, message):
    with pytest.raises(ValueError, match=message):
        run(groups=groups)
