"""Numbers as the printed results show them, as the R package prints them."""

import sys

import numpy as np
import pandas as pd


def fixed(value, decimals):
    """Fixed decimals, blank for NA."""
    return "" if value is None or missing(value) else f"{value:.{decimals}f}"


def missing(value):
    return value is None or bool(pd.isna(value))


def _significant(value):
    """A P-value to three significant digits, fixed or scientific, whichever
    is narrower (fixed when as narrow), trailing zeros dropped: R's
    format(value, digits = 3)."""
    mantissa, exponent = f"{value:.2e}".split("e")
    power = int(exponent)
    digits = mantissa.replace(".", "").rstrip("0") or "0"
    shown = len(digits)
    decimals = max(0, shown - power - 1)
    fixed_width = (power + 1 if power >= 0 else 1) + (decimals + 1 if decimals > 0 else 0)
    science_width = (shown + 1 if shown > 1 else 1) + 2 + max(2, len(str(abs(power))))
    if fixed_width <= science_width:
        return f"{value:.{decimals}f}"
    head = digits[0] + ("." + digits[1:] if shown > 1 else "")
    return f"{head}e{'-' if power < 0 else '+'}{abs(power):02d}"


def p_values(values, estimate=False):
    """P-values as R's summaries print them: three significant digits, and
    "< 1e-300" for a tail below that. A chain's estimate of 0 (no table as
    extreme was visited) stays 0: it bounds P by the chain's length only.
    `estimate` is True for the P-values of loci and of pairs at a locus,
    False for combined ones, alone or one per value."""
    values = list(values)
    estimates = estimate if isinstance(estimate, (list, tuple, np.ndarray)) else [estimate] * len(values)
    out = []
    made = {}
    for value, is_estimate in zip(values, estimates):
        if missing(value):
            out.append("")
        elif value < 1e-300:
            out.append("0" if is_estimate and value == 0 else "< 1e-300")
        else:
            if value not in made:
                made[value] = _significant(float(value))
            out.append(made[value])
    return out


def count(n):
    """A count with thousands marked: 28,481."""
    return f"{int(n):,}"


def ellipsis():
    """The ellipsis where standard output can show it, three dots where not."""
    encoding = getattr(sys.stdout, "encoding", None) or "ascii"
    try:
        "\u2026".encode(encoding)
        return "\u2026"
    except (UnicodeEncodeError, LookupError):
        return "..."


def aligned_lines(columns, left=()):
    """Columns (lists of text, the head first) joined into lines, each as
    wide as its widest entry: those numbered in `left` (from 0) to the
    left, the others to the right."""
    widths = [max((len(text) for text in column), default=0) for column in columns]
    rows = zip(*columns)
    return ["  ".join(text.ljust(w) if i in left else text.rjust(w)
                      for i, (text, w) in enumerate(zip(row, widths))).rstrip()
            for row in rows]
