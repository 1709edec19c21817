#!/usr/bin/python3
"""The link check against GitHub's anchors, and on a made-up repository
whose broken links it must find and whose sound ones it must pass."""
import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_links  # noqa: E402


class AnchorsAsGitHubMakesThem(unittest.TestCase):
    def test_headings(self):
        cases = [
            ("Windows along the genome, and loci that stand out", "windows-along-the-genome-and-loci-that-stand-out"),
            ("How sure each P-value is", "how-sure-each-p-value-is"),
            ("`--windows SIZE[:STEP]`", "--windows-sizestep"),
            ("**The** `fst_num` column_name and _that_", "the-fst_num-column_name-and-that"),
            ("A [linked](x.md) word", "a-linked-word"),
            ("Über × 2 — F_ST", "über--2--f_st"),
            ("C++20, ‘quoted’ (and 1.5)", "c20-quoted-and-15"),
        ]
        for heading, anchor in cases:
            with self.subTest(heading=heading):
                self.assertEqual(check_links.slug(check_links.heading_text(heading)), anchor)


class BrokenLinksAreFound(unittest.TestCase):
    def run_checker(self, files):
        with tempfile.TemporaryDirectory() as root:
            for name, text in files.items():
                path = os.path.join(root, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as file:
                    file.write(text)
            out = io.StringIO()
            sys.argv = ["check_links.py", root]
            with contextlib.redirect_stdout(out):
                status = check_links.main()
            return status, out.getvalue()

    def test_sound_links_pass(self):
        status, out = self.run_checker({
            "README.md": "# Top\n\nSee [the page](docs/page.md#a-section), [here](#top), ![plot](examples/p.svg),\n"
                         "[the code](src/), [a site](https://example.org/x.md#nothing) and [mail](mailto:a@b).\n"
                         "```\n[not a link](nowhere.md)\n```\n`[in code](nowhere.md)`\n",
            "docs/page.md": "# Page\n\n## A section\n\n## Repeated\n\n## Repeated\n\n"
                            "[back](../README.md#top), [second](#repeated-1), [self](page.md#page)\n",
            "examples/p.svg": "<svg/>",
            "src/a.cpp": "",
        })
        self.assertEqual(status, 0, out)

    def test_each_kind_of_broken_link_is_told(self):
        status, out = self.run_checker({
            "README.md": "# Top\n\n[gone](docs/gone.md) and [no anchor](docs/page.md#missing)\n",
            "docs/page.md": "# Page\n\n```\n## Fenced heading\n```\n[fenced](#fenced-heading) [up](../../x.md)\n"
                            "[anchor of a picture](../p.svg#x) [third](#page-2)\n\n[ref]: nowhere.md\n",
            "p.svg": "<svg/>",
        })
        self.assertEqual(status, 1)
        for told in ["README.md:3: docs/gone.md: no such file",
                     "README.md:3: docs/page.md#missing: no heading makes the anchor #missing",
                     "docs/page.md:6: #fenced-heading: no heading",
                     "docs/page.md:6: ../../x.md:",
                     "docs/page.md:7: ../p.svg#x: an anchor into a file that has no headings",
                     "docs/page.md:7: #page-2: no heading",
                     "docs/page.md:9: nowhere.md: no such file"]:
            self.assertIn(told, out)


if __name__ == "__main__":
    unittest.main()
