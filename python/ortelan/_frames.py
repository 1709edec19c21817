"""Data frames of the core's tables, and the core's tables of a data frame
of genotypes."""

import numpy as np
import pandas as pd

# The results table's columns that only its loci have (the TOTAL row has
# none of them), and those that only the TOTAL row has.
LOCUS_ONLY = ("locus", "name", "chrom", "pos", "alleles", "genotypes", "se_fisher", "se_exact", "p_low", "p_high",
              "method", "he", "f_nc", "p_outlier", "q_outlier")
TOTAL_ONLY = ("fst_low", "fst_high", "g_sum", "p_perm", "p_perm_low", "p_perm_high", "perm_made")
# The whole numbers a TOTAL row leaves blank.
TOTAL_BLANKS = ("locus", "alleles", "genotypes", "pos")


def _column(values, missing, rows, nullable):
    values = values[rows]
    if isinstance(values, list) or missing is None:
        return values
    missing = missing[rows]
    if nullable or missing.any():
        return pd.arrays.IntegerArray(values, missing)
    return values


def table_frame(columns, rows=slice(None), drop=(), nullable=()):
    """A data frame of the table's `rows`, without the columns `drop`. Whole
    numbers are int64, or pandas' Int64 in the columns `nullable` and where
    one is missing; reals float64 with NaN for NA; text object, None for NA."""
    return pd.DataFrame({name: _column(values, missing, rows, name in nullable)
                         for name, values, missing in columns if name not in drop})


def results_frames(columns):
    """The loci and the totals of a results table (its TOTAL row last)."""
    count = len(columns[0][1])
    loci = table_frame(columns, slice(0, count - 1), drop=TOTAL_ONLY)
    total = table_frame(columns, slice(count - 1, count), drop=LOCUS_ONLY)
    return loci, total


def pairs_frame(columns):
    """Every pair's loci and totals; a total's locus is missing, its name "TOTAL"."""
    return table_frame(columns, nullable=TOTAL_BLANKS)


def hierarchy_frame(columns):
    """The hierarchy table's loci and its TOTAL row last, whose locus is missing."""
    return table_frame(columns, nullable=TOTAL_BLANKS)


def group_entries(groups):
    """The populations' groups given as a data frame (populations, by number or
    label, and groups in its first two columns) or a dict, as pairs of text."""
    if isinstance(groups, pd.DataFrame):
        if groups.shape[1] < 2:
            raise ValueError("groups must have two columns: population and group")
        populations, names = groups.iloc[:, 0], groups.iloc[:, 1]
    else:
        populations = pd.Series(list(groups.keys()), dtype=object)
        names = pd.Series(list(groups.values()), dtype=object)
    if populations.isna().any() or names.isna().any():
        raise ValueError("groups has a missing population or group")
    return [(str(p), str(g)) for p, g in zip(populations, names)]


def genotype_frame(frame, name):
    """What the core needs of a data frame of genotypes: its `pop` column and
    every other column as a locus, the individuals named by the index."""
    if "pop" not in frame.columns:
        raise ValueError("data: a data frame of genotypes needs a column 'pop' of the individuals' populations, "
                         "as genind2df gives")
    if not frame.columns.is_unique:
        raise ValueError("data: the data frame has columns of one name: " +
                         ", ".join(str(c) for c in frame.columns[frame.columns.duplicated()].unique()[:3]))
    pop = frame["pop"]
    if pop.isna().any():
        raise ValueError(f"data: individuals without a population: {int(pop.isna().sum())}")
    if isinstance(pop.dtype, pd.CategoricalDtype):
        # The populations in the order of the categories, those with an individual.
        pop = pop.cat.remove_unused_categories()
        codes = pop.cat.codes.to_numpy()
        labels = [str(c) for c in pop.cat.categories]
    else:
        codes, uniques = pd.factorize(pop, sort=False)
        labels = [str(u) for u in uniques]
    is_locus = np.asarray(frame.columns != "pop")
    loci = list(frame.columns[is_locus])
    if not loci:
        raise ValueError("data: the data frame has no locus column besides 'pop'")
    if len(frame) == 0:
        raise ValueError("data: the data frame has no individual")
    return {
        "title": name,
        "name": name,
        "individuals": [str(i) for i in frame.index],
        "population": [int(c) for c in codes],
        "populations": labels,
        "loci": [str(c) for c in loci],
        "columns": frame.drop(columns="pop").to_numpy(dtype=object).T,
        "missing": pd.NA,
    }


def popmap_entries(popmap):
    """A population map given as a data frame (samples and populations in
    its first two columns) or a dict, as pairs of text."""
    if isinstance(popmap, pd.DataFrame):
        if popmap.shape[1] < 2:
            raise ValueError("popmap must have two columns: sample and population")
        samples, populations = popmap.iloc[:, 0], popmap.iloc[:, 1]
    else:
        samples, populations = pd.Series(list(popmap.keys()), dtype=object), pd.Series(list(popmap.values()),
                                                                                        dtype=object)
    if samples.isna().any() or populations.isna().any():
        raise ValueError("popmap has a missing sample or population")
    return [(str(s), str(p)) for s, p in zip(samples, populations)]
