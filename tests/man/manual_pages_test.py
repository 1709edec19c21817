#!/usr/bin/python3
"""Each program's manual page against the program: every option and
subcommand its --help lists (and merge --help) is in the page's OPTIONS (or
MERGE) section, the page's version is --version's, and man renders it with
groff's warnings on without one.

    manual_pages_test.py PROGRAM_DIR MAN_DIR

Exits 77 (skipped) where man is not installed.
"""
import os
import re
import shutil
import subprocess
import sys
import unittest

PROGRAMS = ["ortelan_3d", "ortelan_2d", "ortelan_c"]
PROGRAM_DIR = MAN_DIR = ""
# As lintian runs man: UTF-8, groff's warnings on, no pager.
MAN_ENVIRONMENT = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")


def run(arguments, **kw):
    return subprocess.run(arguments, capture_output=True, text=True, **kw)


def help_options(text):
    """The options (-d, --dememorization ...) and subcommands of a --help."""
    options, subcommands = set(), set()
    section = None
    for line in text.splitlines():
        if re.match(r"^\S.*:$", line):
            section = line[:-1]
            continue
        if section == "Options":
            match = re.match(r"^  ((?:-\w,)?--[\w-]+)", line)
            if match:
                options.update(match.group(1).split(","))
        elif section == "Subcommands":
            match = re.match(r"^  (\w+)", line)
            if match:
                subcommands.add(match.group(1))
    return options, subcommands


def rendered_sections(page):
    """The page as man shows it, by section heading."""
    done = run(["man", "-l", "-Tutf8", page], env=MAN_ENVIRONMENT)
    assert done.returncode == 0, done.stderr
    text = re.sub(r".\x08", "", done.stdout)  # bold and underline as overstrikes
    sections, name = {}, ""
    for line in text.splitlines():
        if re.match(r"^[A-Z][A-Z ]+$", line):
            name = line
            continue
        sections[name] = sections.get(name, "") + line + "\n"
    return sections


def mentions(text, option):
    return re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text) is not None


class ManualPages(unittest.TestCase):
    def page(self, program):
        return os.path.join(MAN_DIR, program + ".1")

    def test_every_option_of_help_is_in_the_page(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                binary = os.path.join(PROGRAM_DIR, program)
                sections = rendered_sections(self.page(program))
                options, subcommands = help_options(run([binary, "--help"]).stdout)
                self.assertIn("--dememorization", options)  # the --help read as it should be
                for option in sorted(options):
                    self.assertTrue(mentions(sections.get("OPTIONS", ""), option), f"{option} not in OPTIONS")
                for subcommand in sorted(subcommands):
                    self.assertIn(subcommand.upper(), sections, f"no section of the subcommand {subcommand}")
                    sub_options, _ = help_options(run([binary, subcommand, "--help"]).stdout)
                    self.assertIn("--table", sub_options)
                    for option in sorted(sub_options):
                        self.assertTrue(mentions(sections[subcommand.upper()], option),
                                        f"{subcommand} {option} not in {subcommand.upper()}")
                for heading in ["NAME", "SYNOPSIS", "DESCRIPTION", "INPUT FILES", "OUTPUT FILES", "EXIT STATUS",
                                "EXAMPLES", "SEE ALSO"]:
                    self.assertIn(heading, sections)
                self.assertIn("/docs", sections["SEE ALSO"])  # the way to the manual

    def test_version_is_the_programs(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                version = run([os.path.join(PROGRAM_DIR, program), "--version"]).stdout.strip()
                with open(self.page(program), encoding="utf-8") as page:
                    heading = next(line for line in page if line.startswith(".TH "))
                self.assertIn(f'"{version}"', heading)

    def test_man_renders_without_a_warning(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                done = run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", self.page(program)],
                           env=MAN_ENVIRONMENT)
                self.assertEqual(done.returncode, 0)
                self.assertEqual(done.stderr, "")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print("usage: manual_pages_test.py PROGRAM_DIR MAN_DIR", file=sys.stderr)
        sys.exit(2)
    if shutil.which("man") is None:
        print("man is not installed (scripts/install-deps.sh installs it)")
        sys.exit(77)
    PROGRAM_DIR, MAN_DIR = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
