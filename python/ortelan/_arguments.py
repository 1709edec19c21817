"""The keywords of homogeneity_test() as the programs' command line takes
them. The command line itself then reads them, as it reads a program's:
the same checks, the same messages, the same settings. Adding an option of
the command line here is one line in COMMAND_LINE (and the keyword in
homogeneity_test()'s signature)."""

import math
import numbers
import os
import re

import numpy as np


def _whole_number(keyword, value):
    if isinstance(value, (bool, np.bool_)):
        raise ValueError(f"{keyword} must be a whole number, not {value!r}")
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real) and math.isfinite(value) and value == int(value):
        return str(int(value))
    raise ValueError(f"{keyword} must be a whole number, not {value!r}")


def _name(keyword, value):
    if not isinstance(value, str):
        raise ValueError(f"{keyword} must be a name, not {value!r}")
    return value


def _flag(keyword, value):
    if not isinstance(value, (bool, np.bool_)):
        raise ValueError(f"{keyword} must be True or False, not {value!r}")
    return bool(value)


def _real(keyword, value):
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real) or not math.isfinite(value):
        raise ValueError(f"{keyword} must be a number, not {value!r}")
    return repr(float(value))


def _samples(keyword, value):
    return value if value == "auto" else _whole_number(keyword, value)


def _windows(keyword, value):
    """A window's size, or its size and step: 100000, (100000, 50000)."""
    parts = [value] if isinstance(value, numbers.Number) or isinstance(value, str) else list(value)
    if not 1 <= len(parts) <= 2:
        raise ValueError(f"{keyword} must be a window's size, or its size and step")
    return ":".join(_whole_number(keyword, part) for part in parts)


def _locus_list(keyword, value):
    """Locus numbers as the command line lists them: 1-3,7."""
    loci = [value] if isinstance(value, numbers.Number) else value
    try:
        wanted = sorted({int(_whole_number(keyword, locus)) for locus in loci})
    except (TypeError, ValueError):
        wanted = None
    if not wanted:
        raise ValueError(f"{keyword} must be locus numbers in file order, whole numbers from 1")
    ranges = []
    for locus in wanted:
        if ranges and locus == ranges[-1][1] + 1:
            ranges[-1][1] = locus
        else:
            ranges.append([locus, locus])
    return ",".join(str(a) if a == b else f"{a}-{b}" for a, b in ranges)


def _regions(keyword, value):
    regions = [value] if isinstance(value, str) else value
    try:
        regions = list(regions)
    except TypeError:
        regions = []
    if not regions or not all(isinstance(r, str) and r for r in regions):
        raise ValueError(f'{keyword} must be None or regions such as "chr2" or "chr2:1000000-2000000"')
    return ",".join(regions)


def option(name, text=_whole_number):
    """An option with a value, the value made text by `text`."""
    return lambda keyword, value: [f"{name}={text(keyword, value)}"]


def flag(name):
    """An option without a value, given when the keyword is true."""
    return lambda keyword, value: [name] if _flag(keyword, value) else []


def asked(name):
    """An option naming an output, given when the keyword is true: the core
    makes what it asks for, and the package takes it as columns; no file is
    written."""
    return lambda keyword, value: [f"{name}=-"] if _flag(keyword, value) else []


# keyword: its options on the command line, from its value. A keyword left
# at its default, or None, is not given, and the program's default holds.
COMMAND_LINE = {
    "dememorization": option("--dememorization"),
    "batches": option("--batches"),
    "iterations": option("--iterations"),
    "seed": option("--seed"),
    "threads": option("--threads"),
    "loci": option("--loci", _locus_list),
    "region": option("--region", _regions),
    "test": option("--test", _name),
    "exact": option("--exact", _name),
    "bootstrap": option("--bootstrap"),
    "sampler": option("--sampler", _name),
    "hits": option("--hits"),
    "samples": option("--samples", _samples),
    "pairs": asked("--pairs"),
    # The windows' table is asked for with the windows.
    "windows": lambda keyword, value: option("--windows", _windows)(keyword, value) + ["--windows-table=-"],
    "outliers": flag("--outliers"),
    "outliers_min_he": option("--outliers-min-he", _real),
    "permutations": option("--permutations"),
}

def _listed(keyword, value, each, what):
    """One value or several, each written by `each`, as a comma-separated list."""
    values = [value] if isinstance(value, numbers.Number) else value
    try:
        values = list(values)
    except TypeError:
        values = []
    if not values:
        raise ValueError(f"{keyword} must be {what}")
    return ",".join(each(keyword, v) for v in values)


def _reals(keyword, value):
    """One number or several, as a comma-separated list: 0.005,0.01."""
    return _listed(keyword, value, _real, "a number or numbers")


def _wholes(keyword, value):
    """One whole number or several: 50, or 50,40,30."""
    return _listed(keyword, value, _whole_number, "a whole number or whole numbers")


def _range(keyword, value):
    """(first, last) as A-B."""
    try:
        first, last = value
    except (TypeError, ValueError):
        raise ValueError(f"{keyword} must be (first, last), replicates from 1") from None
    return f"{_whole_number(keyword, first)}-{_whole_number(keyword, last)}"


# The keywords of power() and their options: those of the tests, and the
# model's.
POWER_COMMAND_LINE = {
    **{k: COMMAND_LINE[k] for k in ("dememorization", "batches", "iterations", "seed", "threads", "loci", "region",
                                    "test", "exact", "sampler", "hits", "samples")},
    "fst": option("--fst", _reals),
    "ne": option("--ne"),
    "sizes": option("--sizes", _wholes),
    "alpha": option("--alpha", _reals),
    "replicates": option("--replicates"),
    "replicates_range": option("--replicates-range", _range),
    "decision_error": option("--decision-error", _real),
}

PROGRAMS = ("ortelan_3d", "ortelan_2d", "ortelan_c")


def command_line(keywords, defaults, options=None):
    """The arguments of the command line for the keywords given."""
    arguments = []
    for keyword, to_options in (COMMAND_LINE if options is None else options).items():
        value = keywords[keyword]
        if value is None or _same(value, defaults.get(keyword)):
            continue
        arguments += to_options(keyword, value)
    return arguments


def _same(value, default):
    try:
        return type(value) is type(default) and value == default
    except (TypeError, ValueError):
        return False


# "--batches" in the programs' messages is the keyword `batches` here.
_KEYWORD_OF_OPTION = {"--" + keyword.replace("_", "-"): keyword for keyword in COMMAND_LINE}
_KEYWORD_OF_OPTION.update({"--" + keyword.replace("_", "-"): keyword for keyword in POWER_COMMAND_LINE})
_KEYWORD_OF_OPTION["--popmap"] = "popmap"
_KEYWORD_OF_OPTION["--groups"] = "groups"


def in_keywords(message):
    """A message of the command line, with the options it names as keywords."""
    return re.sub(r"--[a-z][a-z-]*", lambda m: _KEYWORD_OF_OPTION.get(m.group(0), m.group(0)), message)


def check_program(program):
    if not isinstance(program, str) or program not in PROGRAMS:
        raise ValueError("program must be one of " + ", ".join(f'"{p}"' for p in PROGRAMS) + f", not {program!r}")
    return program


def path_text(keyword, path, expected="a file name"):
    """A path (str, bytes or path-like) as text, or ValueError saying what `keyword` takes."""
    try:
        path = os.fspath(path)
    except TypeError:
        raise ValueError(f"{keyword} must be {expected}, not {path!r}") from None
    if isinstance(path, bytes):
        path = os.fsdecode(path)
    return path


def existing_file(keyword, path):
    """A path to a file there, or OSError naming it."""
    path = path_text(keyword, path)
    if not path:
        raise ValueError(f"{keyword} must be a file name, not an empty one")
    if not os.path.exists(path):
        raise FileNotFoundError(2, f"{keyword}: no such file", path)
    if os.path.isdir(path):
        raise IsADirectoryError(21, f"{keyword} is a directory", path)
    if not os.access(path, os.R_OK):
        raise PermissionError(13, f"{keyword}: cannot read", path)
    return path
