"""homogeneity_test(), merge_results(), fst_matrix() and power(): the
arguments checked, the core run once, its tables made data frames."""

import inspect
import os
import sys
import tempfile
import warnings

import numpy as np
import pandas as pd

from . import _arguments, _core, _frames
from ._errors import DataError, OrtelanWarning
from ._result import Result

_FRAME_NAME = "data frame"


def homogeneity_test(data, popmap=None, program="ortelan_2d", test="genic", exact="auto",
                     dememorization=10000, batches=100, iterations=5000, seed=None, threads=None,
                     loci=None, region=None, pairs=False, bootstrap=0, report=None, sampler="independent",
                     hits=100, samples=None, windows=None, outliers=False, outliers_min_he=None, groups=None,
                     hierarchy=False, permutations=0):
    """Tests, locus by locus, whether the populations share one allele
    frequency distribution, and combines the tests over loci.

    data: a GENEPOP, VCF, bgzipped VCF or BCF file; or a pandas data frame
        of genotypes, one row per individual (the index names them), a
        column 'pop' and one column per locus holding "41/43" texts (or
        "041043", as the program reads a GENEPOP genotype) or pairs of
        whole numbers, 0 or None for a missing allele, as genind2df gives.
    popmap: a VCF or BCF file's population map: a file, a data frame of
        samples and populations (its first two columns), or a dict.
    program: "ortelan_3d", "ortelan_2d" or "ortelan_c": how the data are
        read (allele code widths) and the reals (80-bit, or doubles for
        ortelan_c).
    test: "genic", "genic-g", "genotypic" or "none"; exact: "auto" or "never".
    dememorization, batches, iterations: the Markov chain.
    seed: the run seed, 0 to 2**64 - 1; None draws one (kept in settings).
    threads: worker threads, as -j; None: every usable core.
    loci: locus numbers in file order to test; region: regions of an
        indexed VCF or BCF file ("chr2", "chr2:1000000-2000000", or a list).
    pairs: test every pair of populations too; bootstrap: resamplings of
        the loci for 95 % limits of F_ST.
    report: a file for the program's report, written once the run is over.
    sampler: where the tables are not listed, "independent" (tables drawn
        independently under the null, P = (h + 1) / (B + 1) with 95 %
        limits p_low and p_high) or "chain" (the Markov chain); hits: a
        locus stops once that many tables are as extreme; samples: the most
        tables a locus draws, None (or "auto") as many as its chain's walk
        would cost.
    windows: F_ST in windows along the genome of VCF or BCF data: a
        window's size in base pairs, or (size, step); in .windows.
    outliers: the test of each locus's F against the background of the
        bulk of the loci (columns he, f_nc, p_outlier, q_outlier; the fit in
        .outlier_fit); outliers_min_he: the floor of He of its candidates
        (0.1 when None).
    groups: the populations' groups (populations within regions): a file of
        population (number in file order, or label) and group per line, a
        data frame of the two, or a dict; a VCF's population map may give
        them in its third column instead. With groups the hierarchical
        analysis is made (in .hierarchy).
    hierarchy: the analysis of molecular variance without groups too:
        among populations, among individuals within populations and within
        individuals, per locus and over loci (in .hierarchy).
    permutations: permute whole individuals this many times for the tests
        with G summed over loci, valid when loci are linked: among
        populations on the total's row (p_perm, with p_perm_low and
        p_perm_high), within and among groups in .hierarchy, and each pair's
        with pairs=True; 0 for none.

    Returns a Result. Raises DataError for bad data (the programs' one-line
    message), ValueError for bad arguments, OSError for files; Ctrl-C stops
    a run within a second (KeyboardInterrupt), leaving no file behind.
    """
    keywords = dict(locals())
    defaults = {name: p.default for name, p in inspect.signature(homogeneity_test).parameters.items()}
    program = _arguments.check_program(program)
    frame = None
    if isinstance(data, pd.DataFrame):
        if popmap is not None or region is not None:
            raise ValueError("popmap and region go with a VCF or BCF file, not with a data frame")
        frame = _frames.genotype_frame(data, _FRAME_NAME)
        path = _FRAME_NAME
    else:
        if data is None or isinstance(data, (bool, int, float)):
            raise ValueError("data must be a GENEPOP, VCF or BCF file, or a pandas data frame of genotypes")
        path = _arguments.existing_file("data", data)
    entries = None
    group_entries = None
    arguments = _arguments.command_line(keywords, defaults)
    if groups is not None:
        if isinstance(groups, (pd.DataFrame, dict)):
            group_entries = _frames.group_entries(groups)
        else:
            arguments.append("--groups=" + _arguments.existing_file("groups", groups))
    hierarchy = _arguments._flag("hierarchy", hierarchy)
    if popmap is not None:
        if isinstance(popmap, (pd.DataFrame, dict)):
            entries = _frames.popmap_entries(popmap)
        else:
            arguments.append("--popmap=" + _arguments.existing_file("popmap", popmap))
    report_path = None
    if report is not None:
        report_path = _writable("report", report)
    out = _core.run(program, path, arguments, frame, entries, report_path is not None, _progress(),
                    tempfile.gettempdir(), group_entries, hierarchy)
    _warn(out["written"])
    _raise_fault(out)
    if report_path is not None:
        reason = _core.write_files([(report_path, out["report"])])
        if reason:
            raise OSError(reason)
    settings = {k: v for k, v in keywords.items() if k != "report"}
    settings["data"] = None if frame is not None else data
    settings["seed"] = out["seed"]
    return _result(out, settings, program)


def power(data, popmap=None, program="ortelan_2d", fst=(0, 0.001, 0.0025, 0.005, 0.01, 0.02), ne=1000,
          sizes=None, alpha=0.05, replicates=1000, replicates_range=None, seed=None, threads=None, test="genic",
          exact="auto", sampler="independent", hits=100, samples=None, decision_error=0.001,
          dememorization=10000, batches=100, iterations=5000, loci=None, region=None, report=None):
    """How likely each test is to detect populations that differ, with the
    samples and loci of a data file: the populations drift apart from the
    file's pooled allele frequencies (Wright-Fisher, effective size ne)
    until each F_ST target, are sampled as the file has them (or sizes
    individuals each), and are tested as homogeneity_test() tests them,
    replicate after replicate. F_ST = 0 is always made: its rejections are
    false positives, each test's real level.

    data: a GENEPOP, VCF, bgzipped VCF or BCF file (with popmap).
    fst: the F_ST targets, 0 <= F < 1; ne: the effective size.
    sizes: None (the file's), one number for every population, or one per
        population; alpha: one level or several.
    replicates: of each target; replicates_range: (first, last), only those
        (a shard; the command line's merge puts shards' tables together).
    decision_error: where the exact test's P comes from independent tables,
        they are drawn until the decision at each level is settled, which
        then (a locus's or Fisher's method's) differs from the one the exact
        P-values give with probability at most this.
    The other keywords are homogeneity_test()'s.

    Returns a data frame, one row per target, test ("chi2", the exact
    test's name, "fisher_method", "summed_chi2"), level and locus (locus
    missing and name "TOTAL" for the tests over loci), with the columns of
    the program's power table; its attrs hold the seed. Raises as
    homogeneity_test() does.
    """
    keywords = dict(locals())
    defaults = {name: p.default for name, p in inspect.signature(power).parameters.items()}
    program = _arguments.check_program(program)
    if data is None or isinstance(data, (bool, int, float, pd.DataFrame)):
        raise ValueError("data must be a GENEPOP, VCF or BCF file")
    path = _arguments.existing_file("data", data)
    # The targets, levels and sizes are always given: a tuple and a list
    # of the defaults are the same.
    arguments = _arguments.command_line(keywords, defaults, _arguments.POWER_COMMAND_LINE)
    entries = None
    if popmap is not None:
        if isinstance(popmap, (pd.DataFrame, dict)):
            entries = _frames.popmap_entries(popmap)
        else:
            arguments.append("--popmap=" + _arguments.existing_file("popmap", popmap))
    report_path = _writable("report", report) if report is not None else None
    out = _core.power(program, path, arguments, entries, report_path is not None, _progress(), tempfile.gettempdir())
    _warn(out["written"])
    _raise_fault(out)
    if report_path is not None:
        reason = _core.write_files([(report_path, out["report"])])
        if reason:
            raise OSError(reason)
    frame = _frames.table_frame(out["table"], nullable=("locus", "unsettled"))
    frame.attrs["seed"] = out["seed"]
    frame.attrs["program"] = program
    return frame


def merge_results(paths):
    """The tables of the shards of one scan (the results and pairs tables of
    runs of one data file with --region or --loci, one seed, one set of
    settings), put together as a run over all the data would have made
    them: a Result, as homogeneity_test() returns. DataError when the
    shards do not belong together."""
    if isinstance(paths, (str, os.PathLike)):
        paths = [paths]
    try:
        paths = list(paths)
    except TypeError:
        paths = []
    if not paths:
        raise ValueError("paths must name the results, pairs, hierarchy and permutation tables of the shards")
    files = [_arguments.existing_file("paths", p) for p in paths]
    # The program that wrote the tables reads them back, in its own reals.
    with open(files[0], "rb") as first:
        words = first.readline().split()
    program = words[1].decode("ascii", "replace") if len(words) > 1 and words[0] == b"#" else ""
    if program not in _arguments.PROGRAMS:
        program = _arguments.PROGRAMS[0]
    out = _core.merge(program, files, tempfile.gettempdir())
    _warn(out["written"])
    _raise_fault(out)
    s = out["settings"]
    settings = {"data": s["data"], "program": program, "seed": s["seed"], "dememorization": s["dememorization"],
                "batches": s["batches"], "iterations": s["iterations"], "test": s["test"], "exact": s["exact"],
                "sampler": s["sampler"], "hits": s["hits"], "samples": s["samples"], "bootstrap": s["bootstrap"],
                "popmap": s["popmap"], "windows": _window_pair(s["windows"]), "outliers": s["outliers"],
                "outliers_min_he": s["outliers_min_he"], "groups": s["groups"], "permutations": s["permutations"],
                "merged": [os.fspath(p) for p in paths]}
    return _result(out, settings, program)


def _window_pair(text):
    """(size, step) of "SIZE:STEP"; None without windows."""
    return None if text is None else tuple(int(part) for part in text.split(":"))


def outliers(result, q=0.05):
    """The loci that stand out from the background in the outlier test of a
    run made with outliers=True: the rows of .loci whose q_outlier lies
    below q."""
    if not isinstance(result, Result):
        raise ValueError("result must be what homogeneity_test() or merge_results() returns")
    if result.loci is None or "q_outlier" not in result.loci:
        raise ValueError("the result has no outlier test: run homogeneity_test() with outliers=True")
    if isinstance(q, bool) or not isinstance(q, (int, float)) or not 0 <= q <= 1:
        raise ValueError(f"q must be a number from 0 to 1, not {q!r}")
    rows = result.loci["q_outlier"] < q
    return result.loci[rows.to_numpy(dtype=bool, na_value=False)].reset_index(drop=True)


def fst_matrix(result):
    """The pairs' F_ST over their loci (theta), populations x populations, as
    a labelled data frame with 0 on the diagonal; for a Result with pairs."""
    if not isinstance(result, Result):
        raise ValueError("result must be what homogeneity_test() or merge_results() returns")
    if result.pairs is None:
        raise ValueError("the result has no pairs of populations: run homogeneity_test() with pairs=True")
    labels = result.data["populations"]
    totals = result.pairs[result.pairs["locus"].isna()]
    m = np.zeros((len(labels), len(labels)))
    a = totals["pop_a"].to_numpy() - 1
    b = totals["pop_b"].to_numpy() - 1
    m[a, b] = totals["fst"].to_numpy()
    m[b, a] = totals["fst"].to_numpy()
    return pd.DataFrame(m, index=labels, columns=labels)


def _result(out, settings, program):
    loci = total = None
    if out["loci"] is not None:
        loci, total = _frames.results_frames(out["loci"])
    pairs = _frames.pairs_frame(out["pairs"]) if out["pairs"] is not None else None
    windows = _frames.table_frame(out["windows"]) if out.get("windows") is not None else None
    hierarchy = _frames.hierarchy_frame(out["hierarchy"]) if out.get("hierarchy") is not None else None
    data = {"title": out["title"], "individuals": out["individuals"], "populations": list(out["populations"]),
            "loci": out["loci_in_data"]}
    if "merged" in settings:
        data["individuals"] = None
        data["loci"] = len(loci) if loci is not None else 0
    settings = dict(settings, program=program)
    return Result(loci, total, pairs, settings, data, windows, out.get("outlier_fit"), hierarchy)


def _raise_fault(out):
    if "fault" not in out:
        return
    message = out["fault"]
    if out["status"] == 2:
        raise ValueError(_arguments.in_keywords(message))
    raise DataError(message)


def _warn(written):
    for line in written.splitlines():
        if line.strip():
            warnings.warn(line, OrtelanWarning, stacklevel=3)


def _progress():
    """A progress line only where someone sees it."""
    try:
        return sys.stderr is not None and sys.stderr.isatty()
    except (AttributeError, ValueError):
        return False


def _writable(keyword, path):
    path = _arguments.path_text(keyword, path, "None or a file name")
    if not path or path == "-":
        raise ValueError(f"{keyword} must be None or a file name, not {path!r}")
    reason = _core.writable_problem(path)
    if reason:
        raise OSError(f"{keyword}: {reason}")
    return path
