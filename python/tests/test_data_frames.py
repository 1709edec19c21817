"""A data frame of genotypes, as genind2df gives it, gives its file's
results; a cell that is no genotype is a DataError naming it."""

from pathlib import Path

import numpy as np
import pandas as pd
import pytest

import ortelan
from conftest import CHAIN, TROUT, assert_same_frame, two_digit_copy

ODD = ["Odd file", "L1", "L2", "Pop", "zz1, 008010 000041", "zz2, 010010 009010", "Pop",
       "aa1, 009009 010041", "aa2, 008009 041041", "Pop", "mm1, 008010 009009", "mm2, 010010 009041"]


def genepop_frame(path, digits, form):
    """The individuals of a GENEPOP file (a locus name per line) as a data
    frame: its genotypes as written ("041043"), as "41/43", or as pairs of
    numbers; each population labelled by its last individual."""
    lines = [line for line in Path(path).read_text().splitlines() if line.strip()]
    first_pop = next(i for i, line in enumerate(lines) if line.strip().lower() == "pop")
    loci = lines[1:first_pop]
    rows, names, pops, members = [], [], [], []
    for line in lines[first_pop + 1:] + ["Pop"]:
        if line.strip().lower() == "pop":
            pops += [members[-1]] * len(members)
            members = []
            continue
        name, genotypes = line.split(",", 1)
        names.append(name.strip())
        members.append(name.strip())
        row = []
        for g in genotypes.split():
            a, b = int(g[:digits]), int(g[digits:])
            row.append(g if form == "written" else f"{a}/{b}" if form == "slash" else (a, b))
        rows.append(row)
    frame = pd.DataFrame(rows, columns=loci, index=names)
    frame.insert(0, "pop", pops)
    return frame


@pytest.mark.parametrize("program, digits, form, two_digit", [
    ("ortelan_3d", 3, "slash", False),
    ("ortelan_3d", 3, "written", False),
    ("ortelan_2d", 2, "pairs", True),
    ("ortelan_2d", 2, "written", True),
    ("ortelan_c", 3, "slash", False),
])
@pytest.mark.parametrize("data", ["trout", "odd"])
def test_a_data_frame_gives_its_file_s_results(tmp_path, program, digits, form, two_digit, data):
    path = TROUT if data == "trout" else tmp_path / "odd.gen"
    if data == "odd":
        path.write_text("\n".join(ODD) + "\n")
    if two_digit:
        path = two_digit_copy(path, tmp_path)
    frame = genepop_frame(path, digits, form)
    for test in ("genic", "genotypic"):
        from_file = ortelan.homogeneity_test(path, program=program, seed=5, pairs=True, test=test, **CHAIN)
        from_frame = ortelan.homogeneity_test(frame, program=program, seed=5, pairs=True, test=test, **CHAIN)
        for part in ("loci", "total", "pairs"):
            assert_same_frame(getattr(from_frame, part), getattr(from_file, part))
        assert from_frame.data["individuals"] == from_file.data["individuals"]
        assert from_frame.data["populations"] == from_file.data["populations"]
        assert from_frame.settings["data"] is None


def test_missing_genotypes_and_the_order_of_populations_and_alleles():
    frame = pd.DataFrame({"pop": pd.Categorical(["b", "b", "a", "a"], categories=["b", "c", "a"]),
                          "L1": ["8/10", None, "10/10", np.nan],
                          "L2": [(9, 10), (0, 9), (None, None), "9|9"],
                          "L3": ["NA", "./.", "0/0", pd.NA]},
                         index=["i1", "i2", "i3", "i4"])
    r = ortelan.homogeneity_test(frame, seed=1, **CHAIN)
    assert r.data["populations"] == ["b", "a"]  # the categories' order, those with an individual
    assert r.loci["alleles"].tolist() == [2, 2, 0]
    assert r.data["individuals"] == 4


@pytest.mark.parametrize("cell, program", [
    ("41-43", "ortelan_2d"), ("4143", "ortelan_3d"), ("41/43/45", "ortelan_2d"), ((41,), "ortelan_2d"),
    ((41, -3), "ortelan_2d"), (41, "ortelan_2d"), ("x/43", "ortelan_c"), (True, "ortelan_2d"), (1.5, "ortelan_2d"),
])
def test_a_cell_that_is_no_genotype_is_named(cell, program):
    frame = pd.DataFrame({"pop": ["p", "q"], "L1": ["41/43", "41/41"], "L2": ["43/43", cell]}, index=["i1", "i2"])
    with pytest.raises(ortelan.DataError, match=r"^data frame: individual i2, locus L2: .* is not a genotype"):
        ortelan.homogeneity_test(frame, program=program, seed=1, **CHAIN)


@pytest.mark.parametrize("frame, message", [
    (pd.DataFrame({"L1": ["41/43"]}), "needs a column 'pop'"),
    (pd.DataFrame({"pop": ["p", None], "L1": ["41/43", "41/41"]}), "individuals without a population: 1"),
    (pd.DataFrame({"pop": ["p"]}), "no locus column"),
])
def test_a_data_frame_without_populations_or_loci_is_refused(frame, message):
    with pytest.raises(ValueError, match=message):
        ortelan.homogeneity_test(frame, seed=1)


def test_a_data_frame_of_one_population_is_the_core_s_data_error():
    frame = pd.DataFrame({"pop": ["p", "p"], "L1": ["41/43", "41/41"]})
    with pytest.raises(ortelan.DataError, match=r"^data frame: locus 1 \(L1\): the data hold a single population"):
        ortelan.homogeneity_test(frame, seed=1)
