#!/usr/bin/python3
"""cmake --install of a build into a prefix of its own: everything it
installs lies under the prefix, where users look for it (the programs in
bin, their manual pages in share/man/man1, the manual, the examples and the
workflow in share/doc/ortelan), and the installed program runs.

    install_test.py BUILD_DIR
"""
import os
import subprocess
import sys
import tempfile
import unittest

BUILD_DIR = ""


class Install(unittest.TestCase):
    def test_installs_under_the_prefix_alone(self):
        with tempfile.TemporaryDirectory() as scratch:
            prefix = os.path.join(scratch, "prefix with a blank")
            done = subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", prefix],
                                  capture_output=True, text=True)
            self.assertEqual(done.returncode, 0, done.stderr)
            # Every file cmake installed, as it lists them.
            with open(os.path.join(BUILD_DIR, "install_manifest.txt"), encoding="utf-8") as manifest:
                installed = manifest.read().split("\n")
            installed = [path for path in installed if path]
            for path in installed:
                self.assertTrue(path.startswith(prefix + os.sep), path)
                self.assertTrue(os.path.isfile(path), path)
            relative = {os.path.relpath(path, prefix) for path in installed}
            for program in ["ortelan_3d", "ortelan_2d", "ortelan_c"]:
                self.assertIn(f"bin/{program}", relative)
                self.assertIn(f"share/man/man1/{program}.1.gz", relative)
                self.assertTrue(os.access(os.path.join(prefix, "bin", program), os.X_OK))
            for path in ["README.md", "docs/README.md", "docs/scripted-runs.md", "examples/trout.gen",
                         "examples/calls.vcf.gz", "examples/calls.vcf.gz.tbi", "examples/pops.txt",
                         "workflow/Snakefile", "workflow/config.yaml", "copyright", "changelog.gz"]:
                self.assertIn(f"share/doc/ortelan/{path}", relative)
            # Nothing but what the manifest lists.
            found = {os.path.relpath(os.path.join(directory, name), prefix)
                     for directory, _, names in os.walk(prefix) for name in names}
            self.assertEqual(found, relative)
            # The installed program runs the installed example.
            run = subprocess.run([os.path.join(prefix, "bin", "ortelan_3d"), "-q", "-s", "1", "-o", "-",
                                  os.path.join(prefix, "share/doc/ortelan/examples/trout.gen")],
                                 capture_output=True, text=True, cwd=scratch)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertIn("Str15", run.stdout)
            self.assertEqual(sorted(os.listdir(scratch)), ["prefix with a blank"])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: install_test.py BUILD_DIR", file=sys.stderr)
        sys.exit(2)
    BUILD_DIR = sys.argv[1]
    unittest.main(argv=sys.argv[:1])
