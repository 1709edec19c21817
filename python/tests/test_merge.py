"""merge_results() gives what homogeneity_test() gives for the whole data,
from the command line's tables of its shards, and refuses shards that do not
belong together."""

import shutil

import pytest

import ortelan
from conftest import CHAIN, TROUT, assert_same_frame, command_line


def shard(tmp_path, loci, name, seed=3):
    cli = command_line("ortelan_3d", TROUT, seed, "--loci", loci, "--bootstrap", 30, "-d", CHAIN["dememorization"],
                       "-b", CHAIN["batches"], "-i", CHAIN["iterations"], directory=tmp_path / name)
    table, pairs = tmp_path / f"{name}.tsv", tmp_path / f"{name}-pairs.tsv"
    shutil.copy(cli["paths"][0], table)
    shutil.copy(cli["paths"][1], pairs)
    return table, pairs


def test_the_shards_tables_give_the_whole_run_pairs_included(tmp_path):
    b, b_pairs = shard(tmp_path, "3-4", "b")
    a, a_pairs = shard(tmp_path, "1-2", "a")
    files = [b, a, b_pairs, a_pairs]
    x = ortelan.merge_results(files)
    whole = ortelan.homogeneity_test(TROUT, program="ortelan_3d", seed=3, pairs=True, bootstrap=30, **CHAIN)
    for part in ("loci", "total", "pairs"):
        assert_same_frame(getattr(x, part), getattr(whole, part))
    assert x.settings["seed"] == 3 and x.settings["merged"] == [str(f) for f in files]
    assert x.data["populations"] == whole.data["populations"]
    assert "4 loci, 3 populations, merged from 4 tables" in repr(x).splitlines()
    assert "4 loci, merged from 2 tables" in repr(ortelan.merge_results([a, b])).splitlines()
    assert_same_frame(ortelan.fst_matrix(x), ortelan.fst_matrix(whole))


def test_shards_that_do_not_belong_together_are_refused(tmp_path):
    a, _ = shard(tmp_path, "1-2", "a")
    c, _ = shard(tmp_path, "3-4", "c", seed=4)
    cases = [([a, c], ortelan.DataError, "c.tsv was run with seed=4"), ([a, a], ortelan.DataError, "both hold locus 1"),
             ([TROUT], ortelan.DataError, "not a results, pairs, hierarchy or permutation table"), ([], ValueError, "paths must name"),
             ([tmp_path / "none.tsv"], FileNotFoundError, "no such file")]
    for paths, error, message in cases:
        with pytest.raises(error, match=message):
            ortelan.merge_results(paths)
    with pytest.raises(ValueError, match="no pairs of populations"):
        ortelan.fst_matrix(ortelan.merge_results([a]))
