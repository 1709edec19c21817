"""What a run gives: the loci's, the totals' and the pairs' data frames, the
settings and the data; printed, it fits a screen, as the R package prints it."""

import math

import numpy as np

from ._columns import result_columns, test_words
from ._summary import Summary
from ._text import aligned_lines, count, ellipsis, fixed, p_values


def _floats(frame, name):
    if frame is None or name not in frame:
        return np.full(0 if frame is None else len(frame), np.nan)
    return frame[name].to_numpy(dtype=float, na_value=np.nan)


def _texts(values):
    return ["" if v is None or (isinstance(v, float) and math.isnan(v)) else str(v) for v in values]


def shown_rows(p, tie, n):
    """Which rows to show, at most `n`: every one when they fit, in order;
    else the first n // 2, then the rest of n among the others with the
    smallest `p` (untested rows, NaN, never); ties in `p`, such as chain
    estimates of 0, go by `tie` (the asymptotic P), then by order."""
    total = len(p)
    if total <= n:
        return {"all": True, "first": list(range(total)), "smallest": [], "left": 0}
    first = list(range(int(n) // 2))
    others = np.flatnonzero(~np.isnan(p))
    others = others[others >= len(first)]
    ranked = others[np.lexsort((others, tie[others], p[others]))]
    smallest = [int(i) for i in ranked[:int(n) - len(first)]]
    return {"all": False, "first": first, "smallest": smallest, "left": total - len(first) - len(smallest)}


def _sections(body, shown, total, noun, p_head, last):
    """The headings of a short table, `body` holding the lines of its first
    rows and then of those with the smallest P, and its last line."""
    lines = []
    k = len(shown["first"])
    if k > 0:
        lines.append(f"The first of {count(total)} {noun[1]}:" if k == 1
                     else f"The first {count(k)} of {count(total)} {noun[1]}:")
        lines += body[:k]
    m = len(shown["smallest"])
    if m > 0:
        lines.append(f"The other {noun[0]} with the smallest {p_head}:" if m == 1
                     else f"The {count(m)} other {noun[1]} with the smallest {p_head}:")
        lines += body[k:k + m]
    left = shown["left"]
    lines.append(f"{ellipsis()} {count(left)} more {noun[0] if left == 1 else noun[1]}{last}")
    return lines


def _locus_lines(loci, rows, total, r, total_first):
    """The loci's table, every column as the report has it; a row per locus
    and one for the totals."""
    order = ([None] + list(rows)) if total_first else (list(rows) + [None])

    def pick(name, total_value, kind=float):
        values = loci[name].to_numpy(dtype=object) if name in loci else [None] * len(loci)
        return [total_value if i is None else values[i] for i in order]

    def total_of(name):
        return None if total is None or name not in total else total[name].iloc[0]

    return aligned_lines([
        ["Locus"] + _texts(pick("locus", "")),
        ["Name"] + _texts(pick("name", "TOTAL")),
        [r["heads"][0]] + p_values(pick(r["p"], total_of(r["p"])), estimate=[i is not None for i in order]),
        ["SE(P)"] + [fixed(v, 5) for v in pick(r["se"], None)],
        [r["heads"][1]] + [fixed(v, 3) for v in pick(r["statistic"], total_of(r["statistic"]))],
        ["df"] + [fixed(v, 0) for v in pick("df", total_of("df"))],
        [r["heads"][2]] + p_values(pick(r["p_statistic"], total_of(r["p_statistic"]))),
        ["F_ST"] + [fixed(v, 4) for v in pick("fst", total_of("fst"))]], left=(1,))


def pair_lines(pairs, r):
    def column(name):
        return pairs[name].to_numpy(dtype=object) if name in pairs else [None] * len(pairs)

    return aligned_lines([
        ["Pop"] + _texts(column("pop_a")), [""] + _texts(column("label_a")),
        ["Pop"] + _texts(column("pop_b")), [""] + _texts(column("label_b")),
        [r["heads"][0]] + p_values(column(r["p"])),
        [r["heads"][1]] + [fixed(v, 3) for v in column(r["statistic"])],
        ["df"] + [fixed(v, 0) for v in column("df")],
        [r["heads"][2]] + p_values(column(r["p_statistic"])),
        ["F_ST"] + [fixed(v, 4) for v in column("fst")]], left=(1, 3))


def _check_count(value, name):
    ok = isinstance(value, (int, float, np.integer, np.floating)) and not isinstance(value, bool)
    if not ok or math.isnan(value) or value < 0 or (math.isfinite(value) and value != int(value)):
        raise ValueError(f"{name} must be a whole number from 0, or math.inf")
    return value


class Result:
    """The results of homogeneity_test() or merge_results().

    loci: a data frame of the loci of the run, in file order, with the
        results table's columns (locus, name, chrom and pos for VCF data,
        alleles, the test's P, SE, method, statistic, df and P, and the
        F-statistics fis, fst, fit, fst_num, fst_den).
    total: a one-row data frame of the combined tests over loci and the
        F-statistics over loci (fst_low and fst_high with a bootstrap).
    pairs: with pairs=True, a data frame of every pair of populations at
        every locus and over its loci (locus missing, name "TOTAL").
    settings: the keywords of the run, the seed drawn among them, so that
        homogeneity_test(**r.settings) repeats it.
    data: the data's title, individuals, populations (their labels) and loci.
    windows: with windows=, a data frame of the windows along the genome
        (chrom, start, end, sites, fst, fst_num, fst_den, mean_fst).
    outlier_fit: with outliers=True, the fit of the background: df,
        f_background, candidates, trimmed, standing_out and the report's line.
    hierarchy: with groups or hierarchy=True, a data frame of the analysis
        of molecular variance of every locus and over loci (locus missing,
        name "TOTAL"): per level its sum of squares, df and variance
        component, the F-statistics, and on the TOTAL row the permutation
        tests' P-values with their limits.
    """

    def __init__(self, loci, total, pairs, settings, data, windows=None, outlier_fit=None, hierarchy=None):
        self.loci = loci
        self.total = total
        self.pairs = pairs
        self.settings = settings
        self.data = data
        self.windows = windows
        self.outlier_fit = outlier_fit
        self.hierarchy = hierarchy

    def summary(self):
        """What the run found: a Summary of its counts."""
        return Summary(self)

    def __repr__(self):
        return self.to_string()

    def to_string(self, n=20, max_pairs=None):
        """The result as printed: the data and settings, the totals, at most
        `n` loci (math.inf: every one) and `max_pairs` pairs (n by default)."""
        n = _check_count(n, "n")
        max_pairs = n if max_pairs is None else _check_count(max_pairs, "max_pairs")
        s, d = self.settings, self.data
        r = result_columns(s.get("test"))
        source = d["title"] if s.get("data") is None else str(s["data"])
        lines = [f"Homogeneity test{test_words(s.get('test'))} by {s['program']} of {source}"]
        if s.get("data") is not None and d["title"]:
            lines.append(d["title"])
        if "merged" not in s:
            lines.append(f"{d['loci']} loci, {d['individuals']} individuals, {len(d['populations'])} populations")
        else:
            populations = f", {len(d['populations'])} populations" if d["populations"] else ""
            lines.append(f"{d['loci']} loci{populations}, merged from {len(s['merged'])} tables")
        if s.get("test") == "none":
            lines.append(f"No Markov chain; seed {s['seed']}")
        elif s.get("sampler", "independent") != "chain":
            samples = s.get("samples")
            most = ("as many tables as the chain's walk would cost" if samples in (None, "auto")
                    else f"{count(samples)} tables at most")
            lines.append(f"Independent tables where not listed: until {count(s.get('hits') or 100)} as extreme, or "
                         f"{most}; seed {s['seed']}")
        else:
            lines.append(f"Markov chain: {s['dememorization']} dememorization steps, {s['batches']} batches of "
                         f"{s['iterations']} iterations; seed {s['seed']}")
        lines.append("")
        loci, total = self.loci, self.total
        if loci is not None:
            shown = shown_rows(_floats(loci, r["order"]), _floats(loci, r["p_statistic"]), n)
            if shown["all"]:
                # Every locus, the totals last, as in the report.
                lines += _locus_lines(loci, range(len(loci)), total, r, total_first=False)
            else:
                # The totals first, so that they stay on the screen; then a few loci.
                table = _locus_lines(loci, shown["first"] + shown["smallest"], total, r, total_first=True)
                lines += table[:2]
                lines += _sections(table[2:], shown, len(loci), ("locus", "loci"), r["order_head"], " in .loci")
            exact = int((loci["method"] == "exact").sum()) if "method" in loci else 0
            if exact > 0:
                lines.append(f"{count(exact)} of the {count(loci['method'].notna().sum())} P-values are exact, from "
                             "every table with the locus's margins: their SE of 0 means exact.")
            sampled = int((loci["method"] == "sampled").sum()) if "method" in loci else 0
            if sampled > 0:
                lines.append(f"{count(sampled)} of the {count(loci['method'].notna().sum())} P-values are from "
                             "independent tables, never 0: p_low and p_high in .loci are their 95% limits.")
            tail = int((loci["method"] == "tail").sum()) if "method" in loci else 0
            if tail > 0:
                lines.append(f"{count(tail)} of the {count(loci['method'].notna().sum())} P-values lie far in the "
                             "tail, from tilted tables, never 0: p_low and p_high in .loci are their 95% limits.")
            low = _floats(total, "fst_low")
            if len(low) and not np.isnan(low[0]):
                lines.append(f"F_ST over loci {total['fst'].iloc[0]:.4f}, 95% bootstrap limits {low[0]:.4f} to "
                             f"{total['fst_high'].iloc[0]:.4f}")
        if self.outlier_fit is not None:
            lines.append(self.outlier_fit["line"] + ": ortelan.outliers(r)")
        if self.windows is not None:
            lines.append(f"F_ST in {count(len(self.windows))} windows: .windows")
        if self.pairs is not None:
            p = self.pairs[self.pairs["locus"].isna()].reset_index(drop=True)
            shown = shown_rows(_floats(p, r["order"]), _floats(p, r["p_statistic"]), max_pairs)
            lines += ["", "Pairs of populations, over their tested loci:"]
            table = pair_lines(p.iloc[shown["first"] + shown["smallest"]], r)
            if shown["all"]:
                lines += table
                lines.append("Every pair and locus: .pairs")
            else:
                # The heads only over rows (max_pairs=0 shows none).
                if len(table) > 1:
                    lines.append(table[0])
                lines += _sections(table[1:], shown, len(p), ("pair", "pairs"), r["order_head"],
                                   ", and every pair's loci, in .pairs")
        return "\n".join(lines)
