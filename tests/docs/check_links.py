#!/usr/bin/python3
"""Checks every relative link and anchor of README.md and docs/*.md.

A link to a file must name a file or directory of the repository; a link
with an anchor (#...) into a Markdown file must name a heading of that file,
as GitHub makes anchors of headings: the heading's text lower-cased, every
character but letters, marks, digits, connector punctuation, blanks and
hyphens dropped, blanks made hyphens, and the second and later headings of
one anchor given -1, -2 ... Links to other sites (scheme:) are not followed.

    check_links.py REPOSITORY_ROOT

Prints each broken link with its file and line; exits 1 if there is one.
"""
import os
import re
import sys
import unicodedata
from urllib.parse import unquote

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
HEADING = re.compile(r"^ {0,3}(#{1,6})[ \t]+(.*?)[ \t]*#*[ \t]*$")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")
# An inline link or image: [text](target) or [text](target "title").
LINK = re.compile(r"!?\[((?:[^\[\]]|\[[^\]]*\])*)\]\(\s*<?([^\s)>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s.*)?$")
HTML_ANCHOR = re.compile(r"<a\s[^>]*(?:name|id)=\"([^\"]+)\"", re.IGNORECASE)


def prose_lines(text):
    """The lines outside fenced code blocks, with their numbers."""
    fence = None
    for number, line in enumerate(text.split("\n"), 1):
        match = FENCE.match(line)
        if fence is None:
            if match:
                fence = match.group(1)
                continue
            yield number, line
        elif match and match.group(1)[0] == fence[0] and len(match.group(1)) >= len(fence):
            fence = None


def heading_text(markdown):
    """What a heading shows: code spans as they are, links as their text,
    without emphasis marks or HTML tags."""
    shown = []
    for number, part in enumerate(CODE_SPAN.split(markdown)):
        if number % 3 == 2:
            shown.append(part)  # a code span's text
        elif number % 3 == 0:
            part = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", part)
            part = re.sub(r"<[^>]+>", "", part)
            part = re.sub(r"(\*\*|\*)(\S(?:.*?\S)?)\1", r"\2", part)
            part = re.sub(r"(?<!\w)(__|_)(\S(?:.*?\S)?)\1(?!\w)", r"\2", part)
            shown.append(part)
    return "".join(shown)


def slug(text):
    kept = []
    for character in text.lower():
        category = unicodedata.category(character)
        if character in " -" or category[0] in "LMN" or category == "Pc":
            kept.append(character)
    return "".join(kept).replace(" ", "-")


def anchors(path):
    """Every anchor GitHub gives the headings of a Markdown file."""
    with open(path, encoding="utf-8") as file:
        text = file.read()
    found = set()
    seen = {}
    for _, line in prose_lines(text):
        heading = HEADING.match(line)
        if heading:
            base = slug(heading_text(heading.group(2)))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
        found.update(HTML_ANCHOR.findall(line))
    return found


def links(path):
    with open(path, encoding="utf-8") as file:
        text = file.read()
    for number, line in prose_lines(text):
        reference = REFERENCE.match(line)
        if reference:
            yield number, reference.group(1)
            continue
        for match in LINK.finditer(CODE_SPAN.sub("", line)):
            yield number, match.group(2)


def broken_links(root, documents):
    cache = {}
    for document in documents:
        for number, target in links(document):
            if not target or re.match(r"^[A-Za-z][A-Za-z0-9+.-]*:", target):
                continue  # another site, mail
            place, _, anchor = target.partition("#")
            path = os.path.normpath(os.path.join(os.path.dirname(document), unquote(place))) if place else document
            where = f"{os.path.relpath(document, root)}:{number}: {target}"
            if not os.path.exists(path):
                yield f"{where}: no such file"
                continue
            if not os.path.realpath(path).startswith(os.path.realpath(root) + os.sep):
                yield f"{where}: outside the repository"
                continue
            if anchor:
                if not path.endswith(".md") or os.path.isdir(path):
                    yield f"{where}: an anchor into a file that has no headings"
                    continue
                if path not in cache:
                    cache[path] = anchors(path)
                if unquote(anchor) not in cache[path]:
                    yield f"{where}: no heading makes the anchor #{anchor}"


def main():
    if len(sys.argv) != 2:
        print("usage: check_links.py REPOSITORY_ROOT", file=sys.stderr)
        return 2
    root = os.path.abspath(sys.argv[1])
    documents = [os.path.join(root, "README.md")]
    for directory, _, names in os.walk(os.path.join(root, "docs")):
        documents += [os.path.join(directory, name) for name in sorted(names) if name.endswith(".md")]
    broken = list(broken_links(root, documents))
    for line in broken:
        print(line)
    if broken:
        print(f"{len(broken)} broken link(s) in {len(documents)} documents")
        return 1
    print(f"every relative link and anchor of {len(documents)} documents holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
