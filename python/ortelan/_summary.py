"""summary(): what a run found, in a few numbers, and how they print."""

import numpy as np
import pandas as pd

from ._columns import result_columns, test_words
from ._text import aligned_lines, count, fixed, p_values


def adjusted_bh(p):
    """Benjamini and Hochberg's adjusted P-values, as R's p.adjust(p, "BH")."""
    p = np.asarray(p, dtype=float)
    m = len(p)
    if m == 0:
        return p
    order = np.argsort(-p, kind="stable")
    ranks = np.arange(m, 0, -1)
    adjusted = np.minimum(1, np.minimum.accumulate(m / ranks * p[order]))
    out = np.empty(m)
    out[order] = adjusted
    return out


def significant_counts(p, high=None, sampled=None):
    """How many of the P-values `p` (no NaN) lie at or below 0.05, at or
    below the Bonferroni level 0.05 / len(p), and at a false discovery rate
    of 5 % (Benjamini and Hochberg's adjusted P at or below 0.05). A P-value
    with 95 % limits (`sampled`: from independent tables, or far in the
    tail) counts at a level only when its upper limit `high` lies below it:
    the limit stands for it in all three, the adjustment included."""
    p = np.asarray(p, dtype=float)
    sampled = np.zeros(len(p), dtype=bool) if sampled is None else np.asarray(sampled, dtype=bool)
    if high is not None:
        sampled = sampled & ~np.isnan(np.asarray(high, dtype=float))
        p = np.where(sampled, np.asarray(high, dtype=float), p)

    def below(values, level):
        return int(np.where(sampled, values < level, values <= level).sum())

    return {"nominal": below(p, 0.05), "bonferroni": below(p, 0.05 / len(p)) if len(p) else 0,
            "fdr": below(adjusted_bh(p), 0.05)}


def _pairs_summary(pairs, r):
    """The pairs' combined tests over their loci: how many lie below the
    levels, and the three pairs most and least differentiated by F_ST."""
    totals = pairs[pairs["locus"].isna()].reset_index(drop=True)
    p = totals[r["order"]].to_numpy(dtype=float)
    columns = [c for c in ("pop_a", "label_a", "pop_b", "label_b", "fst", "fst_low", "fst_high", r["order"])
               if c in totals]
    ranked = totals[totals["fst"].notna()].sort_values(["fst", "pop_a", "pop_b"], ascending=[False, True, True],
                                                      kind="stable")[columns]
    most = ranked.head(3)
    rest = ranked.iloc[len(most):]
    least = rest.tail(3).iloc[::-1]
    return {"count": len(totals), "tested": int((~np.isnan(p)).sum()),
            "significant": significant_counts(p[~np.isnan(p)]),
            "most": most.reset_index(drop=True), "least": least.reset_index(drop=True)}


class Summary:
    """The figures of a run: loci read, in the run, tested and not; exact
    P-values and the chain's; loci at P <= 0.05, at the Bonferroni level and
    at a 5 % false discovery rate; F_ST over loci with its limits; with
    pairs, the same counts of the pairs' combined tests and the three most
    and least differentiated pairs. A chain's P of 0 (no table as extreme
    visited) counts as 1 / (batches x iterations), the bound it gives. A P
    from independent tables that reached no hit is at its floor 1 / (B + 1)
    for its B tables: methods["sampled_floor"] counts them, and
    sampled_floor_tables holds the most and the fewest B among them."""

    def __init__(self, result):
        s = result.settings
        r = result_columns(s.get("test"))
        loci = result.loci if result.loci is not None else pd.DataFrame({r["order"]: []})
        p = loci[r["order"]].to_numpy(dtype=float).copy()
        tested = ~np.isnan(p)
        method = loci["method"].to_numpy(dtype=object) if "method" in loci else np.full(len(loci), None)
        exact = np.array([m == "exact" for m in method], dtype=bool)
        chain = np.array([m == "chain" for m in method], dtype=bool)
        sampled = np.array([m == "sampled" for m in method], dtype=bool)
        tail = np.array([m == "tail" for m in method], dtype=bool)
        self.test = s.get("test") or "genic"
        none = self.test == "none"
        self.chain_bound = np.nan if none else 1 / (float(s["batches"]) * float(s["iterations"]))
        # An exact or tail P is never 0, though it may lie below any double.
        zero = tested & ~exact & ~tail & (p == 0) if not none else np.zeros(len(p), dtype=bool)
        p[zero] = self.chain_bound
        total = result.total
        self.program = s["program"]
        self.source = result.data["title"] if s.get("data") is None else str(s["data"])
        self.seed = s["seed"]
        self.p_column = r["order"]
        self.p_head = r["order_head"]
        self.loci = {"read": result.data["loci"], "run": len(loci), "tested": int(tested.sum()),
                     "untested": int(len(loci) - tested.sum())}
        # A P from independent tables whose lower limit is 0 reached no hit:
        # it is its floor 1 / (B + 1), the least its B tables can give.
        low = loci["p_low"].to_numpy(dtype=float) if "p_low" in loci else np.full(len(p), np.nan)
        floor = tested & sampled & (low == 0)
        tables = np.rint(1 / p[floor]) - 1
        self.methods = {"exact": int((tested & exact).sum()), "sampled": int((tested & sampled).sum()),
                        "tail": int((tested & tail).sum()), "chain": int((tested & chain).sum()),
                        "chain_zero": int(zero.sum()), "sampled_floor": int(floor.sum())}
        self.sampled_floor_tables = (int(tables.max()), int(tables.min())) if floor.any() else None
        high = loci["p_high"].to_numpy(dtype=float) if "p_high" in loci else np.full(len(p), np.nan)
        self.significant = significant_counts(p[tested], high[tested], (sampled | tail)[tested])
        fit = result.outlier_fit
        self.outliers = None if fit is None else {k: fit[k] for k in ("candidates", "trimmed", "standing_out", "df",
                                                                       "f_background")}
        self.windows = None if result.windows is None else len(result.windows)

        def total_of(name):
            return float(total[name].iloc[0]) if total is not None and name in total else np.nan

        self.fst = {"fst": total_of("fst"), "fst_low": total_of("fst_low"), "fst_high": total_of("fst_high")}
        # The permutation test over loci on the TOTAL row, and the
        # hierarchy's F-statistics over loci with their tests.
        self.permutation = None
        if total is not None and "p_perm" in total:
            self.permutation = {"p": total_of("p_perm"), "low": total_of("p_perm_low"), "high": total_of("p_perm_high"),
                                "g": total_of("g_sum"), "made": total_of("perm_made")}
        self.hierarchy = None
        h = result.hierarchy
        if h is not None:
            row = h[h["locus"].isna()].iloc[0]
            self.hierarchy = {f: {"f": float(row[f"f_{f}"]),
                                  "p": float(row[f"p_{f}"]) if f in ("ct", "sc", "st") else np.nan}
                              for f in ("ct", "sc", "st", "is", "it")}
        self.pairs = _pairs_summary(result.pairs, r) if result.pairs is not None else None

    def __repr__(self):
        return self.to_string()

    def to_string(self):
        lines = [f"Homogeneity test{test_words(self.test)} by {self.program} of {self.source}; seed {self.seed}"]
        loci = self.loci
        rows = [("Loci read", count(loci["read"]))]
        if loci["run"] < loci["read"]:
            rows.append(("  in the run (loci)", count(loci["run"])))
        rows += [("  tested", count(loci["tested"])), ("  not tested", count(loci["untested"]))]
        if self.test != "none":
            rows.append(("Exact P-values", count(self.methods["exact"])))
            if self.methods["sampled"] > 0:
                rows.append(("  from independent tables", count(self.methods["sampled"])))
            if self.methods["tail"] > 0:
                rows.append(("  far in the tail, from tilted tables", count(self.methods["tail"])))
            rows.append(("  from the Markov chain", count(self.methods["chain"])))
        rows += _significance_rows(self.significant, loci["tested"], f"Loci with {self.p_head}")
        # The notes on the loci's P-values follow their rows.
        notes = len(rows)
        fst = self.fst
        if not np.isnan(fst["fst"]):
            limits = "" if np.isnan(fst["fst_low"]) else \
                f"(95 % bootstrap limits {fst['fst_low']:.4f} to {fst['fst_high']:.4f})"
            rows.append(("F_ST over loci", f"{fst['fst']:.4f}", limits))
        o = self.outliers
        if o is not None:
            rows.append(("Candidates of the outlier test", count(o["candidates"])))
            if np.isnan(o["df"]):
                rows.append(("  standing out from the background at q < 0.05", "",
                             f"no fit: {count(o['trimmed'])} left once trimmed, fewer than 20"))
            else:
                rows.append(("  standing out from the background at q < 0.05", count(o["standing_out"]),
                             f"(F of the background {o['f_background']:.4g}, df {o['df']:.2f})"))
        if self.windows is not None:
            rows.append(("Windows with a site with F_ST", count(self.windows)))
        q = self.permutation
        if q is not None and not np.isnan(q["p"]):
            rows.append(("P over loci, individuals permuted", p_values([q["p"]])[0],
                         f"(95 % limits {p_values([q['low']])[0]} to {p_values([q['high']])[0]}; "
                         f"G summed {q['g']:.2f}, {count(int(q['made']))} permutations)"))
        if self.hierarchy is not None:
            labels = {"ct": "F_CT among groups", "sc": "F_SC among populations within groups",
                      "st": "F_ST among populations", "is": "F_IS within populations", "it": "F_IT"}
            for f, label in labels.items():
                value = self.hierarchy[f]
                if np.isnan(value["f"]):
                    continue
                rows.append((label, f"{value['f']:.4f}", "" if np.isnan(value["p"]) else
                             f"(P = {p_values([value['p']])[0]})"))
        if self.pairs is not None:
            rows.append(("Pairs of populations", count(self.pairs["count"])))
            rows += _significance_rows(self.pairs["significant"], self.pairs["tested"],
                                       f"  with combined {self.p_head}")
        # Labels, then values to the right, then any remark.
        labels = [row[0] for row in rows]
        values = [row[1] for row in rows]
        label_width = max(len(t) for t in labels)
        value_width = max(len(t) for t in values)
        shown = [f"{row[0]:<{label_width}}  {row[1]:>{value_width}}  {row[2] if len(row) > 2 else ''}".rstrip()
                 for row in rows]
        lines += shown[:notes]
        zeros = self.methods["chain_zero"]
        if zeros > 0:
            lines.append(f"  ({'a P-value' if zeros == 1 else count(zeros) + ' P-values'} of 0 from the chain, where no "
                         f"table as extreme was visited, {'counts' if zeros == 1 else 'count'} as")
            lines.append(f"   1 / (batches x iterations) = {_general(self.chain_bound)})")
        if self.methods["sampled"] > 0:
            lines.append("  (a P-value from independent tables counts at a level only where its upper 95 % limit,")
            lines.append("   p_high, lies below it)")
        lines += _floor_lines(self.methods["sampled_floor"], self.sampled_floor_tables, "samples=")
        if self.methods["tail"] > 0:
            lines.append("  (so does a P-value far in the tail: where p_high lies below the level)")
        if self.test == "none":
            lines.append('  (no exact test, test="none": the counts are of P(chi2))')
        lines += shown[notes:]
        p = self.pairs
        if p is not None and len(p["most"]) > 0:
            # One table of both, aligned alike, under two headings.
            both = _differentiated_lines(pd.concat([p["most"], p["least"]], ignore_index=True), self.p_column,
                                         self.p_head)
            lines.append("The most differentiated pairs, by F_ST over loci:")
            lines += both[:1 + len(p["most"])]
            if len(p["least"]) > 0:
                lines.append("The least differentiated:")
                lines += both[1 + len(p["most"]):]
        return "\n".join(lines)


def _floor_lines(loci, tables, setting):
    """The note on `loci` P-values from independent tables that reached no
    hit, with their floors from the most `tables` (B) to the fewest."""
    if loci == 0:
        return []

    def floor(b):
        return f"{_general(1 / (b + 1))} (B = {b})"

    most, fewest = tables
    floors = floor(most) if most == fewest else f"from {floor(most)} to {floor(fewest)}"
    one = loci == 1
    return [f"  ({'a P-value' if one else count(loci) + ' P-values'} from independent tables reached no hit, no table "
            "drawn as extreme as the observed one:",
            f"   {'it is' if one else 'each is'} at its floor 1 / (B + 1) for its B tables, here {floors}; a larger "
            f"{setting} resolves {'it' if one else 'them'})"]


def _general(value):
    """A number to three significant digits, as R's format(value, digits = 3)."""
    return p_values([value])[0]


def _significance_rows(counts, m, what):
    """Rows of the counts below 0.05, the Bonferroni level and 5 % FDR, for
    `m` tested loci or pairs."""
    if m == 0:
        return [(f"{what} <= 0.05", "", "none tested")]
    return [(f"{what} <= 0.05", count(counts["nominal"])),
            (f"  <= 0.05 / {count(m)} (Bonferroni)", count(counts["bonferroni"])),
            ("  at a 5 % false discovery rate (BH)", count(counts["fdr"]))]


def _differentiated_lines(p, p_column, p_head):
    def texts(name):
        return [str(v) for v in p[name]]

    columns = [["Pop"] + texts("pop_a"), [""] + texts("label_a"), ["Pop"] + texts("pop_b"), [""] + texts("label_b"),
               ["F_ST"] + [fixed(v, 4) for v in p["fst"]]]
    if "fst_low" in p and p["fst_low"].notna().any():
        columns.append(["95 % limits"] + ["" if pd.isna(lo) else f"{lo:.4f} to {hi:.4f}"
                                          for lo, hi in zip(p["fst_low"], p["fst_high"])])
    columns.append([p_head] + p_values(p[p_column]))
    return ["  " + line for line in aligned_lines(columns, left=(1, 3))]
