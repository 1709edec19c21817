"""What goes wrong, as the package tells it."""


class DataError(Exception):
    """A fault in the data: a damaged file, a table that cannot be tested,
    shards that do not belong together. The message is the programs' own
    one line, naming the file and, where known, the line, the site, the
    locus or the sample."""


class OrtelanWarning(UserWarning):
    """What the programs write on standard error while a run goes on: samples
    of a population map that the data lack, a numeric note of the
    chi-square tail."""
