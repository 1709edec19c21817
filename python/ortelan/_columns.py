"""The columns of a test's results and the words that name the test, for the
printed result and its summary."""


def result_columns(test):
    """The columns of a test's results and their heads in the report. `order`
    is the P that ranks loci and pairs: the exact test's, or with no exact
    test the chi-square's."""
    genic = test is None or test in ("genic", "none")
    r = {"p": "p_fisher" if genic else "p_exact", "se": "se_fisher" if genic else "se_exact",
         "statistic": "chi2" if genic else "g", "p_statistic": "p_chi2" if genic else "p_g",
         "heads": ("P(Fisher)", "Chi2", "P(chi2)") if genic else ("P(exact)", "G", "P(G)")}
    none = test == "none"
    r["order"] = r["p_statistic"] if none else r["p"]
    r["order_head"] = r["heads"][2] if none else r["heads"][0]
    return r


def test_words(test):
    """The test as the first line of the printed result names it: nothing
    for the genic test, else in brackets."""
    if test is None or test == "genic":
        return ""
    return " (no exact test)" if test == "none" else f" ({test} test)"
