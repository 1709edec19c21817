# Builds the package ortelan and its extension ortelan._core from the
# project's own C++ core: the sources CMakeLists.txt lists for the core
# library (less the terminal console, the dialogue's readers and the SVG
# plots, which the package does not use), the scripted run's analysis with
# what it uses, and the binding in src/. Run by pip from this directory of
# the repository (scripts/install-python.sh); it needs Debian's g++,
# python3-dev, pybind11-dev, libhts-dev, libboost-math-dev and libcli11-dev.
import os
import re
import shlex
import subprocess
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

here = Path(__file__).resolve().parent
root = here.parent
cmake = root / "CMakeLists.txt"
if not cmake.is_file():
    raise SystemExit(f"ortelan: the project's sources are not beside {here}: build it from the repository")

unused = re.compile(r"^src/(run/terminal_console|input/genepop/(one_pass_reader|read_data_file))\.cpp$")
listing = re.search(r"^add_library\(ortelan_core (.*?)^\)", cmake.read_text(), re.S | re.M).group(1)
core = [s for s in re.findall(r"src/[A-Za-z0-9_/]+\.cpp", listing) if not unused.match(s)]
front = ["src/app/analysis.cpp", "src/app/loci_list.cpp", "src/app/progress_meter.cpp", "src/app/command_line.cpp",
         "src/app/outputs.cpp", "src/app/merge/shard_table.cpp", "src/app/merge/merge_tables.cpp",
         "src/app/merge/merge_permutations.cpp",

         "src/app/power_analysis.cpp", "src/app/power_command_line.cpp"]
binding = sorted(str(p) for p in (here / "src").glob("*.cpp"))


def pkg_config(*what):
    try:
        return shlex.split(subprocess.run(["pkg-config", *what, "htslib"], check=True, capture_output=True,
                                          text=True).stdout)
    except (OSError, subprocess.CalledProcessError):
        return []


hts_libs = pkg_config("--libs") or ["-lhts"]
extension = Pybind11Extension(
    "ortelan._core",
    sources=[str(root / s) for s in core + front] + binding,
    include_dirs=[str(root / "src"), str(here / "src")],
    cxx_std=20,
    # ORTELAN_CXXFLAGS comes last, to override: the tests build at -O1 -g0.
    extra_compile_args=["-O2", "-pthread", "-Wall", "-Wextra", "-Wpedantic", *pkg_config("--cflags"),
                        *shlex.split(os.environ.get("ORTELAN_CXXFLAGS", ""))],
    extra_link_args=["-pthread", *hts_libs],
)

# The sources compile on every core (ORTELAN_BUILD_JOBS to choose).
ParallelCompile("ORTELAN_BUILD_JOBS").install()

setup(
    name="ortelan",
    version="0.1.0",
    description="Homogeneity tests of allele frequencies over populations, locus by locus, as pandas data frames",
    packages=["ortelan"],
    package_dir={"ortelan": str(Path("ortelan"))},
    ext_modules=[extension],
    cmdclass={"build_ext": build_ext},
    python_requires=">=3.9",
    install_requires=["pandas", "numpy"],
    zip_safe=False,
)
