"""A run in a Python process: nothing on standard output and no file left,
a progress line on standard error only on a terminal, the GIL released while
the loci are tested, and Ctrl-C stopping a run within a second."""

import os
import pty
import select
import signal
import subprocess
import threading
import time
from pathlib import Path

import ortelan
from conftest import CHAIN, PYTHON, TROUT, child_environment, run_child, snp_vcf


def many_loci(path, loci):
    """Trout's individuals typed at `loci` loci: the first locus's genotype again and again."""
    lines = TROUT.read_text().splitlines()
    first_pop = next(i for i, line in enumerate(lines) if line.strip().lower() == "pop")
    body = []
    for line in lines[first_pop:]:
        if "," in line:
            name, genotypes = line.split(",", 1)
            line = f"{name}," + f" {genotypes.split()[0]}" * loci
        body.append(line)
    Path(path).write_text("\n".join([lines[0], *(f"L{i}" for i in range(1, loci + 1)), *body]) + "\n")
    return Path(path)


# A run of some seconds: the chain at every locus.
LONG_RUN = dict(program="ortelan_3d", seed=1, dememorization=0, batches=2, iterations=2_000_000, exact="never",
                sampler="chain")


def test_nothing_on_standard_output_and_no_file_left(tmp_path):
    gz, popmap = snp_vcf(tmp_path)
    popmap.write_text(popmap.read_text() + "absent\tnorth\n")  # a sample the file lacks: a warning
    (tmp_path / "bad.gen").write_text("Title\nL1\n")
    temporary = tmp_path / "tmp"
    temporary.mkdir()
    before = sorted(os.listdir(tmp_path))
    done = run_child(f"""
import warnings, ortelan
ortelan.homogeneity_test({str(TROUT)!r}, program="ortelan_3d", seed=1, pairs=True, bootstrap=20)
with warnings.catch_warnings(record=True) as told:
    warnings.simplefilter("always")
    ortelan.homogeneity_test("calls.vcf.gz", popmap="pops.txt", seed=1, pairs=True)
assert len(told) == 1 and "absent" in str(told[0].message), told
try:
    ortelan.homogeneity_test("bad.gen", seed=1)
except ortelan.DataError:
    pass
""", tmp_path, env={"TMPDIR": str(temporary)})
    assert done.returncode == 0, done.stderr
    assert done.stdout == ""
    assert sorted(os.listdir(tmp_path)) == before
    assert os.listdir(temporary) == []


def test_a_progress_line_only_on_a_terminal(tmp_path):
    data = many_loci(tmp_path / "many.gen", 60)
    script = f"import ortelan; ortelan.homogeneity_test({str(data)!r}, program='ortelan_3d', seed=1, iterations=20000)"
    # Standard error a pipe: nothing.
    piped = run_child(script, tmp_path)
    assert piped.returncode == 0 and piped.stderr == "" and piped.stdout == ""
    # A terminal: the line, rewritten in place, and taken away at the end.
    leader, follower = pty.openpty()
    child = subprocess.Popen([PYTHON, "-c", script], cwd=tmp_path, env=child_environment(), stderr=follower,
                             stdout=subprocess.PIPE)
    os.close(follower)
    shown = b""
    while True:
        ready, _, _ = select.select([leader], [], [], 60)
        try:
            chunk = os.read(leader, 4096) if ready else b""
        except OSError:
            chunk = b""
        if not chunk:
            break
        shown += chunk
    assert child.wait(timeout=60) == 0
    assert child.stdout.read() == b""
    assert b"\r" in shown and b"/60 loci" in shown and b"elapsed" in shown
    assert shown.endswith(b"\r\x1b[K")


def test_the_gil_is_released_while_the_loci_are_tested(tmp_path):
    data = many_loci(tmp_path / "many.gen", 60)
    ticks = []
    running = threading.Event()

    def tick():
        while not running.is_set():
            time.sleep(0.001)
        while running.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.005)

    ticker = threading.Thread(target=tick)
    ticker.start()
    running.set()
    started = time.monotonic()
    ortelan.homogeneity_test(data, **dict(LONG_RUN, iterations=300_000), threads=1)
    ended = time.monotonic()
    running.clear()
    ticker.join()
    during = [t for t in ticks if started + 0.1 < t < ended - 0.1]
    assert ended - started > 0.3
    # A tick every 5 ms or so while the core works: it never held the GIL long.
    assert len(during) > 0.3 * (ended - started - 0.2) / 0.005


def test_ctrl_c_stops_a_run_within_a_second_and_leaves_nothing(tmp_path):
    many_loci(tmp_path / "many.gen", 400)
    temporary = tmp_path / "tmp"
    temporary.mkdir()
    child = subprocess.Popen([PYTHON, "-c", f"""
import os, time, ortelan
open("started", "w").close()
try:
    ortelan.homogeneity_test("many.gen", threads=2, report="many.out", **{LONG_RUN!r})
    outcome = "finished"
except KeyboardInterrupt:
    outcome = "interrupted"
stopped = time.monotonic()
after = ortelan.homogeneity_test({str(TROUT)!r}, program="ortelan_3d", seed=1, dememorization=10, batches=2,
                                 iterations=10)
print(outcome, stopped, len(os.listdir({str(temporary)!r})), len(after.loci), sorted(os.listdir(".")))
"""], cwd=tmp_path, env=child_environment(TMPDIR=str(temporary)), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True)
    for _ in range(300):
        if (tmp_path / "started").exists():
            break
        time.sleep(0.1)
    time.sleep(1.5)
    assert child.poll() is None, child.communicate()
    child.send_signal(signal.SIGINT)
    sent = time.monotonic()
    out, err = child.communicate(timeout=60)
    assert child.returncode == 0, err
    outcome, stopped, left, loci, listing = out.split(" ", 4)
    assert outcome == "interrupted"
    assert float(stopped) - sent < 1.0, float(stopped) - sent
    assert (left, loci) == ("0", "4")
    assert listing.strip() == "['many.gen', 'started', 'tmp']"  # and no report


def test_one_thread_and_several_give_the_same_results():
    one = ortelan.homogeneity_test(TROUT, program="ortelan_3d", seed=3, exact="never", pairs=True, threads=1, **CHAIN)
    two = ortelan.homogeneity_test(TROUT, program="ortelan_3d", seed=3, exact="never", pairs=True, threads=2, **CHAIN)
    assert one.loci.equals(two.loci) and one.pairs.equals(two.pairs)
