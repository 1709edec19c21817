"""Windows along the genome and the outlier test, as the command line has
them; sampled P-values counted in the summary by their upper limits."""

import subprocess
from pathlib import Path

import numpy as np
import pytest

import ortelan
from conftest import assert_same_frame, command_line, locus_rows, read_table, snp_vcf


def test_windows_and_outliers_are_the_command_line_s(tmp_path):
    gz, popmap = snp_vcf(tmp_path, sites_per_contig=30, samples=16)
    cli = command_line("ortelan_2d", gz, 4, "--popmap", popmap, "--windows", "1000:500", "--windows-table",
                       tmp_path / "windows.tsv", "--outliers", directory=tmp_path / "cli")
    assert cli["status"] == 0, cli["stderr"]
    r = ortelan.homogeneity_test(gz, popmap=popmap, seed=4, windows=(1000, 500), outliers=True)
    assert_same_frame(r.loci, locus_rows(cli["table"]))
    assert list(r.loci.columns[-4:]) == ["he", "f_nc", "p_outlier", "q_outlier"]
    expected = read_table(tmp_path / "windows.tsv")
    for name in ("start", "end", "sites"):
        expected[name] = expected[name].astype("int64")
    assert_same_frame(r.windows, expected)
    assert r.outlier_fit["candidates"] > 20
    standing = ortelan.outliers(r, q=1)
    assert len(standing) == int((r.loci["q_outlier"] < 1).sum())
    assert "ortelan.outliers(r)" in repr(r) and "windows: .windows" in repr(r)
    s = r.summary()
    assert s.windows == len(r.windows)
    assert s.outliers["candidates"] == r.outlier_fit["candidates"]
    with pytest.raises(ValueError, match="no outlier test"):
        ortelan.outliers(ortelan.homogeneity_test(gz, popmap=popmap, seed=4))
    with pytest.raises(ValueError, match="outliers_min_he goes with outliers"):
        ortelan.homogeneity_test(gz, popmap=popmap, outliers_min_he=0.2)
    with pytest.raises(ValueError, match="windows"):
        ortelan.homogeneity_test(gz, popmap=popmap, windows=(100, 500))


def test_a_sampled_p_counts_by_its_upper_limit(tmp_path):
    gz, popmap = snp_vcf(tmp_path, sites_per_contig=40, samples=24)
    # Three populations: 3 x 2 tables, sampled when not listed.
    three = Path(tmp_path) / "three.txt"
    lines = popmap.read_text().splitlines()
    three.write_text("".join(f"{line.split()[0]}\tp{i % 3}\n" for i, line in enumerate(lines)))
    r = ortelan.homogeneity_test(gz, popmap=three, seed=2, exact="never")
    loci = r.loci
    assert set(loci["method"].dropna()) == {"sampled"}
    assert (loci["p_fisher"] > 0).all()
    assert (loci["p_low"] <= loci["p_fisher"]).all() and (loci["p_fisher"] <= loci["p_high"]).all()
    high = loci["p_high"].to_numpy()
    s = r.summary()
    assert s.methods["sampled"] == len(loci)
    assert s.significant["nominal"] == int((high < 0.05).sum())
    assert "counts at a level only where its upper 95 % limit" in repr(s)
    chain = ortelan.homogeneity_test(gz, popmap=three, seed=2, exact="never", sampler="chain", batches=10,
                                     iterations=200)
    assert set(chain.loci["method"].dropna()) == {"chain"}
    assert chain.loci["p_low"].isna().all()
    assert np.isnan(r.total["p_fisher"].iloc[0]) or "p_low" not in r.total
