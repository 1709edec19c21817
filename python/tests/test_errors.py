"""Bad arguments are ValueErrors that name the keyword, files OSErrors, bad
data DataErrors with the programs' one-line messages; the interpreter never
dies, nothing goes to standard output, and a run leaves no file behind."""

import json
import os
from pathlib import Path

import pytest

import ortelan
from conftest import CHAIN, FAULTS, ROOT, TROUT, command_line, run_child, snp_vcf

BAD_ARGUMENTS = [
    ({"program": "ortelan_4d"}, "program must be one of"),
    ({"dememorization": -1}, "^dememorization: Value -1 not in range 0 to 2147483647$"),
    ({"dememorization": 1.5}, "^dememorization must be a whole number"),
    ({"batches": 1}, "^batches: Value 1 not in range 2"),
    ({"iterations": "10"}, "^iterations must be a whole number"),
    ({"seed": -1}, "^seed: the seed must be a whole number from 0 to 18446744073709551615$"),
    ({"seed": 2 ** 64}, "^seed: the seed must be"),
    ({"loci": 0}, "^loci: '0' is not a locus number"),
    ({"loci": [1, None]}, "^loci must be"),
    ({"loci": 9}, r"^loci: locus 9 is beyond the last locus of .*trout.gen \(4\)$"),
    ({"threads": 0}, "^threads: Value 0 not in range 1 to 4096$"),
    ({"pairs": "yes"}, "^pairs must be True or False"),
    ({"test": "genetic"}, "^test: the test must be genic, genic-g, genotypic or none$"),
    ({"exact": "maybe"}, "^exact: must be auto or never$"),
    ({"bootstrap": 5, "test": "none"}, "^bootstrap goes with an exact test, not with test none$"),
    ({"bootstrap": -1}, "^bootstrap: Value -1 not in range"),
    ({"region": "chr1"}, "^region goes with a VCF or BCF file, and .*trout.gen is not one$"),
    ({"popmap": TROUT}, "^popmap goes with a VCF or BCF file"),
    ({"data": 3}, "^data must be"),
    ({"report": "-"}, "^report must be"),
]


@pytest.mark.parametrize("change, message", BAD_ARGUMENTS)
def test_a_bad_argument_is_a_value_error_naming_it(change, message):
    arguments = dict({"data": TROUT, "program": "ortelan_3d", "seed": 1}, **CHAIN)
    arguments.update(change)
    with pytest.raises(ValueError, match=message):
        ortelan.homogeneity_test(**arguments)


def test_a_file_that_is_not_there_is_an_os_error(tmp_path):
    cases = [({"data": tmp_path / "none.gen"}, FileNotFoundError), ({"data": tmp_path}, IsADirectoryError),
             ({"report": tmp_path / "no" / "r.out"}, OSError), ({"report": tmp_path}, OSError)]
    for change, error in cases:
        with pytest.raises(error):
            ortelan.homogeneity_test(**dict({"data": TROUT, "seed": 1}, **change))
    gz, _ = snp_vcf(tmp_path)
    with pytest.raises(FileNotFoundError):
        ortelan.homogeneity_test(gz, popmap=tmp_path / "none.txt")
    with pytest.raises(ValueError, match="is a VCF or BCF file: give its population map with popmap$"):
        ortelan.homogeneity_test(gz)


@pytest.mark.parametrize("text", ["Title\nL1\nL2\n", "Title\nL1\nL2\nPop\na1, 041043\nPop\nb1, 041043 041041\n"])
@pytest.mark.parametrize("program", ["ortelan_3d", "ortelan_c"])
def test_a_data_fault_is_a_data_error_with_the_program_s_message(tmp_path, text, program):
    data = tmp_path / "bad.gen"
    data.write_text(text)
    cli = command_line(program, data, 1, directory=tmp_path)
    with pytest.raises(ortelan.DataError) as caught:
        ortelan.homogeneity_test(data, program=program, seed=1)
    assert str(caught.value) == cli["error"]


def fault_cases(directory):
    """Inputs that ended the programs, each a data file and its map: the
    shared fault files, and the VCF fuzz target's damaged files (a map, a
    NUL byte, the file)."""
    cases = []
    for fault in sorted(FAULTS.iterdir()):
        cases.append((fault.name, str(fault / "x.vcf"), str(fault / "pops.txt")))
    for seed in ("gt-without-values", "bcf-gt-as-characters", "bcf-fewer-samples-than-header",
                 "bcf-header-longer-than-file", "bcf-record-longer-than-file", "gzip-member-after-bgzf-block",
                 "xz-compressed", "pos-exponent", "bcf-pos-negative"):
        popmap, data = (ROOT / "fuzz" / "corpus" / "vcf" / seed).read_bytes().split(b"\0", 1)
        place = Path(directory) / seed
        place.mkdir()
        (place / "pops.txt").write_bytes(popmap)
        (place / "x.vcf").write_bytes(data)
        cases.append((seed, str(place / "x.vcf"), str(place / "pops.txt")))
    return cases


CHILD = """
import json, sys, warnings
import ortelan
warnings.simplefilter("ignore")
told = {}
for name, data, popmap in json.loads(sys.argv[1]):
    for threads in (1, 2):
        try:
            ortelan.homogeneity_test(data, popmap=popmap, seed=1, threads=threads)
            told[name] = "no error"
        except ortelan.DataError as e:
            told[name] = str(e)
after = ortelan.homogeneity_test(sys.argv[2], program="ortelan_3d", seed=1, dememorization=10, batches=2, iterations=10)
print(json.dumps({"told": told, "went on": len(after.loci)}), file=sys.stderr)
"""


def test_inputs_that_ended_the_programs_are_data_errors_and_the_interpreter_goes_on(tmp_path):
    cases = fault_cases(tmp_path)
    done = run_child(CHILD, tmp_path, json.dumps(cases), TROUT)
    assert done.returncode == 0, done.stderr
    assert done.stdout == ""
    out = json.loads(done.stderr.strip().splitlines()[-1])
    assert out["went on"] == 4
    for name, data, popmap in cases:
        told = out["told"][name]
        assert told.startswith(f"{data}: "), name
        if os.environ.get("ORTELAN_BIN_DIR"):
            cli = command_line("ortelan_2d", data, 1, "--popmap", popmap, directory=tmp_path / "cli" / name)
            assert told == cli["error"], name
