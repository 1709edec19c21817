"""Tests, locus by locus, whether two or more populations share one allele
frequency distribution: Fisher's exact test and Pearson's chi-square (or the
G tests), combined over loci, with Weir and Cockerham's F-statistics, as
pandas data frames. The same core as the programs ortelan_3d, ortelan_2d
and ortelan_c and the R package; with one seed, the same numbers as their
tables.

    >>> import ortelan
    >>> r = ortelan.homogeneity_test("examples/trout.gen", program="ortelan_3d", seed=1)
    >>> r.loci, r.total, r.settings
    >>> r.summary()
"""

try:
    from . import _core  # noqa: F401
except ImportError as error:
    raise ImportError("ortelan: the package's compiled core is not here (is this its source directory?); "
                      "install the package with scripts/install-python.sh") from error

from ._errors import DataError, OrtelanWarning
from ._result import Result
from ._run import fst_matrix, homogeneity_test, merge_results, outliers, power
from ._summary import Summary

__all__ = ["DataError", "OrtelanWarning", "Result", "Summary", "fst_matrix", "homogeneity_test", "merge_results",
           "outliers", "power"]
__version__ = "0.1.0"
