"""power(): the program's power table as a data frame, to the last bit, and
bad keywords told as ValueError."""

import os
import subprocess
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

import ortelan
from conftest import TROUT


def test_power_is_the_programs_power_table(tmp_path):
    with pytest.warns(ortelan.OrtelanWarning, match=r"left out 1 locus .*3 \(LDH-C1\)"):
        frame = ortelan.power(TROUT, program="ortelan_3d", seed=2, fst=0.02, alpha=(0.05, 0.01), replicates=40,
                              threads=2)
    assert list(frame.columns) == ["fst_target", "test", "alpha", "locus", "name", "ne", "generations",
                                   "fst_expected", "theta", "replicates", "rejections", "power", "power_low",
                                   "power_high", "unsettled"]
    # 2 targets x 2 levels x (3 loci x 2 tests + 2 totals); LDH-C1 left out.
    assert len(frame) == 2 * 2 * 8
    assert "LDH-C1" not in set(frame["name"])
    assert frame.attrs["seed"] == 2
    totals = frame[frame["name"] == "TOTAL"]
    assert totals["locus"].isna().all()
    assert set(totals["test"]) == {"fisher_method", "summed_chi2"}
    drawn = frame["test"].isin(["genic", "fisher_method"])
    assert frame.loc[~drawn, "unsettled"].isna().all() and frame.loc[drawn, "unsettled"].notna().all()
    np.testing.assert_array_equal(frame["power"].to_numpy(), (frame["rejections"] / frame["replicates"]).to_numpy())
    assert (frame["power_low"] <= frame["power"]).all() and (frame["power"] <= frame["power_high"]).all()

    bin_dir = os.environ.get("ORTELAN_BIN_DIR")
    if not bin_dir:
        pytest.skip("ORTELAN_BIN_DIR (a CMake build directory) is not set")
    table = tmp_path / "power.tsv"
    subprocess.run([str(Path(bin_dir) / "ortelan_3d"), "power", "-q", "-s", "2", "--fst", "0.02", "--alpha",
                    "0.05,0.01", "--replicates", "40", "-o", os.devnull, "-t", str(table), str(TROUT)],
                   check=True, capture_output=True)
    written = pd.read_csv(table, sep="\t", comment="#", float_precision="round_trip")
    for name in ("power", "power_low", "power_high", "theta", "fst_expected"):
        np.testing.assert_array_equal(frame[name].to_numpy(), written[name].to_numpy(), err_msg=name)


def test_power_refuses_bad_keywords():
    for keywords, said in [({"fst": 1}, "fst"), ({"alpha": 0}, "alpha"), ({"ne": 0}, "ne"),
                           ({"replicates": 0}, "replicates"), ({"sizes": (10, 10)}, "sizes gives 2 sizes"),
                           ({"replicates_range": (5, 2)}, "replicates_range")]:
        with pytest.raises(ValueError, match=said):
            ortelan.power(TROUT, program="ortelan_3d", replicates=keywords.pop("replicates", 2), **keywords)
