"""Checks that the user guide speaks the window's language: every label a guide quotes ("...")
is a text the window shows in that language. docs/user-guide.md is checked against the English
texts (po/en.po's translations, and the texts the catalogue leaves as they are),
docs/user-guide.ja.md against the sources' own (Japanese) texts. Accelerator marks ("(&E)",
"&") are not part of a label; a text with placeholders ("%d", "%1") matches any value in their
place. Quotes that are no label (file names, settings keys, examples of what a user types) are
listed in the guide's language beside the quote's reason below. The help topics' sections must
be headings of both guides.

usage: guide_labels_test.py SOURCE_DIR
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from catalogue_test import literal_runs, po_entries  # noqa: E402

# Quotes that name no text of the window, by pattern.
NOT_LABELS = [
    (re.compile(r"^[\w.~/*-]*\.(txt|dat|bin|cmd|age|msr|htm|html|jsonl|unread|png|svg|md)$"),
     "a file name"),
    (re.compile(r"^\w+=$"), "a key of the settings file"),
    (re.compile(r"^[0-9A-Fa-f]{2}( [0-9A-Fa-f]{2})+$"), "bytes typed in hexadecimal"),
    (re.compile(r"^[0-9A-Fa-f]+$"), "a number typed"),
    (re.compile(r"^[0-9a-f]{2}h [A-Z].*$"), "a command of the Command tab's list: its code and name"),
]

# An example value in a quoted text ("N blocks", "LBA=N") stands for a placeholder.
EXAMPLE_VALUE = re.compile(r"(?<![A-Za-z])[NX](?![A-Za-z])")

PLACEHOLDER = re.compile(r"%(\d+|[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|z)?[diouxXsScfg])")


def unescape(text):
    return (text.replace('\\"', '"').replace("\\r", "\r").replace("\\n", "\n")
            .replace("\\t", "\t").replace("\\\\", "\\"))


def normalised(text):
    """A window text as the guide quotes it: no accelerator, one line."""
    text = re.sub(r"\(&\w\)", "", text)
    text = text.replace("&&", "\0").replace("&", "").replace("\0", "&")
    return text.strip()


def source_texts(root):
    texts = set()
    for folder, _, files in os.walk(os.path.join(root, "src")):
        for name in files:
            if name.endswith((".cc", ".h")):
                code = open(os.path.join(folder, name), encoding="utf-8").read()
                texts.update(unescape(t) for t, _, _ in literal_runs(code))
    return texts


def matcher(texts):
    """A function telling whether a quote is one of `texts` (any line of one)."""
    exact, patterns = set(), []
    for text in texts:
        for line in re.split(r"[\r\n]+", text):
            line = normalised(line)
            if not line:
                continue
            if PLACEHOLDER.search(line):
                parts = PLACEHOLDER.split(line)
                # Too little text around its placeholders ("%s", "%d MB") matches anything.
                if len("".join(parts[0::2]).strip()) < 3:
                    continue
                regex = "".join(re.escape(p) if i % 2 == 0 else r".+?"
                                for i, p in enumerate(parts))
                patterns.append(re.compile("^" + regex + "$"))
            exact.add(line)
            # A label ends with a colon in the window; the guide may quote it without.
            exact.add(line.rstrip(":："))
    return lambda quote: quote in exact or any(p.match(quote) for p in patterns)


def quotes(markdown):
    """The double-quoted texts of `markdown` outside code, joined across line breaks."""
    text = re.sub(r"```.*?```", "", markdown, flags=re.S)
    text = re.sub(r"`[^`]*`", "", text)
    text = re.sub(r"\s*\n\s*", " ", text)
    return re.findall(r'"([^"]+)"', text)


def headings(markdown):
    text = re.sub(r"```.*?```", "", markdown, flags=re.S)
    return set(m.strip() for m in re.findall(r"^#+ (.+)$", text, flags=re.M))


def main():
    root = sys.argv[1]
    japanese = source_texts(root)
    english_po = {unescape(k): unescape(v) for k, (v, _) in
                  po_entries(os.path.join(root, "po", "en.po")).items()}
    english = {english_po.get(t, t) for t in japanese}
    failures = []
    guides = [("docs/user-guide.md", english), ("docs/user-guide.ja.md", japanese)]
    for path, texts in guides:
        is_label = matcher(texts)
        markdown = open(os.path.join(root, path), encoding="utf-8").read()
        found = quotes(markdown)
        for quote in found:
            quote = quote.strip()
            if is_label(quote) or is_label(EXAMPLE_VALUE.sub("1", quote)) or any(p.match(quote) for p, _ in NOT_LABELS):
                continue
            failures.append('%s: "%s" is no text the window shows' % (path, quote))
        print("%s: %d quotes" % (path, len(found)))
    # The sections the help buttons open, in each guide's language.
    topics = open(os.path.join(root, "src/shell/help_topics.cc"), encoding="utf-8").read()
    sections = set(re.findall(r'TR_NOOP\(\s*"([^"]+)"\s*\)', topics))
    ja_headings = headings(open(os.path.join(root, guides[1][0]), encoding="utf-8").read())
    en_headings = headings(open(os.path.join(root, guides[0][0]), encoding="utf-8").read())
    for section in sections:
        if section not in ja_headings:
            failures.append('%s: no heading "%s"' % (guides[1][0], section))
        if english_po.get(section) not in en_headings:
            failures.append('%s: no heading "%s"' % (guides[0][0], english_po.get(section)))
    for f in failures:
        print(f)
    print("%d problems" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
