"""With one seed, the data frames are the command line's tables, in every
program and test, with pairs, and the report is the program's."""

import warnings

import pytest

import ortelan
from conftest import (CHAIN, TROUT, assert_same_frame, command_line, locus_rows, long_tests, snp_genepop, snp_vcf,
                      total_row, two_digit_copy)

TOTAL_COLUMNS = {"genic": ["p_fisher", "chi2", "df", "p_chi2"], "genic-g": ["p_exact", "g", "df", "p_g"]}
TOTAL_COLUMNS["none"] = TOTAL_COLUMNS["genic"]
TOTAL_COLUMNS["genotypic"] = TOTAL_COLUMNS["genic-g"]
F_COLUMNS = ["fis", "fst", "fit", "fst_num", "fst_den", "fst_low", "fst_high"]


def same_as_command_line(r, cli, test="genic", pairs=True):
    assert_same_frame(r.loci, locus_rows(cli["table"]))
    assert_same_frame(r.total, total_row(cli["table"], TOTAL_COLUMNS[test] + F_COLUMNS))
    if pairs:
        assert_same_frame(r.pairs, cli["pairs"])


@pytest.mark.parametrize("program, two_digit, seed, loci, extra", [
    ("ortelan_3d", False, 42, None, {}),
    ("ortelan_2d", True, 18446744073709551615, None, {}),
    ("ortelan_c", False, 7, None, {}),
    ("ortelan_3d", False, 9, [4, 1], {}),
    ("ortelan_c", False, 3, [3], {}),  # no tested locus: NA totals
    ("ortelan_3d", False, 5, None, {"test": "genic-g"}),
    ("ortelan_2d", True, 5, None, {"test": "genotypic", "bootstrap": 30}),
    ("ortelan_c", False, 5, None, {"test": "none"}),
    ("ortelan_3d", False, 5, None, {"exact": "never"}),
    ("ortelan_2d", True, 5, None, {"exact": "never", "sampler": "chain"}),
    ("ortelan_c", False, 5, None, {"exact": "never", "hits": 20, "samples": 3000}),
])
def test_frames_and_report_are_the_command_line_s(tmp_path, program, two_digit, seed, loci, extra):
    data = two_digit_copy(TROUT, tmp_path) if two_digit else TROUT
    options = [f"--{k}={v}" for k, v in extra.items()]
    if loci:
        options.append("--loci=" + ",".join(map(str, sorted(loci))))
    cli = command_line(program, data, seed, "-d", CHAIN["dememorization"], "-b", CHAIN["batches"], "-i",
                       CHAIN["iterations"], *options, directory=tmp_path / "cli")
    report = tmp_path / "r.out"
    with warnings.catch_warnings(record=True) as told:
        warnings.simplefilter("always")
        r = ortelan.homogeneity_test(data, program=program, seed=seed, loci=loci, pairs=True, report=report,
                                     **CHAIN, **extra)
    same_as_command_line(r, cli, extra.get("test", "genic"))
    assert [str(w.message) for w in told] == cli["stderr"]
    assert r.settings["seed"] == seed
    undated = lambda text: text.split(b"Date:")[0] + text.split(b"Date:")[1][12:]  # noqa: E731
    assert undated(report.read_bytes()) == undated(cli["report"])
    assert ortelan.homogeneity_test(data, program=program, seed=seed, loci=loci, **CHAIN, **extra).pairs is None


def test_vcf_data_with_a_map_as_a_file_a_data_frame_or_a_dict_and_regions(tmp_path):
    gz, popmap = snp_vcf(tmp_path)
    cli = command_line("ortelan_2d", gz, 9, "--popmap", popmap, directory=tmp_path / "cli")
    from_file = ortelan.homogeneity_test(gz, popmap=popmap, seed=9, pairs=True)
    same_as_command_line(from_file, cli)
    assert list(from_file.loci.columns[:4]) == ["locus", "name", "chrom", "pos"]
    import pandas as pd
    entries = [line.split("\t") for line in popmap.read_text().splitlines()]
    for given in (pd.DataFrame(entries, columns=["sample", "population"]), dict(entries)):
        from_map = ortelan.homogeneity_test(gz, popmap=given, seed=9, pairs=True)
        assert_same_frame(from_map.loci, from_file.loci)
        assert_same_frame(from_map.pairs, from_file.pairs)
    # A region gives the whole run's rows for its loci.
    part = ortelan.homogeneity_test(gz, popmap=popmap, seed=9, region="chr2:500-1500")
    l = from_file.loci
    whole = l[(l["chrom"] == "chr2") & l["pos"].between(500, 1500)].drop(columns="locus").reset_index(drop=True)
    assert_same_frame(part.loci.drop(columns="locus"), whole)
    assert part.settings["region"] == "chr2:500-1500"


def test_threads_give_the_same_results_and_settings_repeat_the_run():
    first = ortelan.homogeneity_test(TROUT, program="ortelan_3d", pairs=True, exact="never", threads=1, **CHAIN)
    assert isinstance(first.settings["seed"], int)  # drawn, and kept
    again = ortelan.homogeneity_test(**dict(first.settings, threads=2))
    assert_same_frame(again.loci, first.loci)
    assert_same_frame(again.pairs, first.pairs)


@pytest.mark.skipif(not long_tests(), reason="a long case: set ORTELAN_LONG_TESTS to run it")
@pytest.mark.parametrize("loci, populations, per_population", [(20000, 3, 2), (5, 150, 2)])
@pytest.mark.parametrize("program", ["ortelan_2d", "ortelan_c"])
def test_files_beyond_the_dialogue_s_limits_give_the_command_line_s_tables(tmp_path, loci, populations,
                                                                          per_population, program):
    data = snp_genepop(tmp_path / "snp.gen", loci, populations, per_population, seed=loci + populations)
    r = ortelan.homogeneity_test(data, program=program, seed=11)
    assert len(r.loci) == loci and len(r.data["populations"]) == populations
    cli = command_line(program, data, 11, directory=tmp_path / "cli")
    same_as_command_line(r, cli, pairs=False)
