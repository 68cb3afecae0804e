"""Checks the message catalogue against the sources: every Japanese string literal of src/ is
marked for it (Tr, TR_NOOP, UiText) but for a few texts that are data; the template
po/tamarack.pot holds what xgettext extracts today; every text of it has a finished English
translation in po/en.po, with no Japanese left in it, and en.po holds no text that is gone;
a text written in English in the sources is one the window always showed so.

usage: catalogue_test.py SOURCE_DIR
"""
import os
import re
import subprocess
import sys
import tempfile

MARKERS = ("Tr", "TR_NOOP", "UiText")

# Japanese literals that are data, not texts for people: font names, the HTML log's blank
# cells (an ideographic space) and a language offered under its own name.
ALLOWED = {
    ("src/shell/settings_data.h", "ＭＳ ゴシック"),
    ("src/shell/font_mapping.cc", "IPAゴシック"),
    ("src/shell/font_mapping.cc", "IPA Pゴシック"),
    ("src/shell/font_mapping.cc", "ＭＳ ゴシック"),
    ("src/shell/font_mapping.cc", "ＭＳ 明朝"),
    ("src/shell/font_mapping.cc", "HGSｺﾞｼｯｸE"),
    ("src/shell/font_mapping.cc", "ＭＳ Ｐゴシック"),
    ("src/shell/font_mapping.cc", "メイリオ"),
    ("src/ageing/ageing_log.cc",
     "    <TD bgcolor=#dddddd width=100>\u3000</TD><TD width=100>\u3000</TD></TR>\\n"),
    ("src/app/options_dialog.cc", "日本語"),
}

# The texts the window shows in English in its Japanese mode too, as it always has (their
# English entries only mend the spelling). Every other text is written in Japanese in the
# sources, so that the Japanese window shows no English of its own.
ENGLISH_ORIGINALS = {
    "Received data diaplay", "Changable View", "More Information...",
    "Version:%xh Persistent:%x Current:%x Additinal Length:%d", "Peripheral qualifer",
    "Asyncronous event capability ?", "Basic quieng supported ?", "Command quieng supported ?",
    "Vender Identification", "%d Trcak", "Command Successed!", "%d Trcak(", "%d Trcak\\r\\n",
}

JAPANESE = re.compile("[\u3000-\u30ff\uff61-\uff9f\u4e00-\u9fff]")


HEX_DIGITS = set("0123456789abcdefABCDEF")


def literal_runs(code):
    """The runs of adjacent string literals of C++ `code` (comments skipped), each as
    (text, code before it, code after it), the text as written (escapes kept)."""
    plain = []  # the code with comments and literals blanked, to look around a run
    runs, i, n = [], 0, len(code)
    current = None
    while i < n:
        c = code[i]
        if code.startswith("//", i):
            j = code.find("\n", i)
            j = n if j < 0 else j
            plain.append(" " * (j - i))
            i = j
        elif code.startswith("/*", i):
            j = code.index("*/", i) + 2
            plain.append(" " * (j - i))
            i = j
        elif c == "'" and i > 0 and code[i - 1] in HEX_DIGITS and code[i + 1:i + 2] in HEX_DIGITS:
            plain.append(c)  # a digit separator (1'000'000), not a character literal
            i += 1
        elif c == "'":
            j = i + 1
            while code[j] != "'":
                j += 2 if code[j] == "\\" else 1
            plain.append(" " * (j + 1 - i))
            i = j + 1
        elif c == '"':
            j = i + 1
            while code[j] != '"':
                j += 2 if code[j] == "\\" else 1
            text = code[i + 1:j]
            at = len("".join(plain))
            if current is not None and not "".join(plain)[current[1]:at].strip():
                current[0] += text
                current[1] = at + j + 1 - i
            else:
                current = [text, at + j + 1 - i, at]
                runs.append(current)
            plain.append(" " * (j + 1 - i))
            i = j + 1
        else:
            plain.append(c)
            i += 1
    flat = "".join(plain)
    return [(text, flat[:start], flat[end:]) for text, end, start in runs]


def unmarked(code):
    """The Japanese literal runs of `code` that are not the whole argument of a marker."""
    out = []
    for text, before, after in literal_runs(code):
        if not JAPANESE.search(text):
            continue
        marked = re.search(r"\b(%s)\s*\(\s*$" % "|".join(MARKERS), before[-200:])
        if not marked or not after.lstrip().startswith(")"):
            out.append(text)
    return out


def self_test():
    sample = """// "コメント" is a comment
    /* "これも" */ a = Tr("あ"); b = "い"; c = TR_NOOP("う"
                                             "え"); d = Tr("お" + s); e = UiText( "か" );
    f = g("English"); h = 'x'; i = "\\"き\\"";"""
    got = unmarked(sample)
    want = ["い", "お", '\\"き\\"']
    if got != want:
        sys.exit("the literal scanner is wrong: %r, not %r" % (got, want))


def po_entries(path):
    """msgid -> (msgstr, fuzzy) of a .po or .pot file (obsolete entries left out)."""
    entries = {}
    for block in open(path, encoding="utf-8").read().split("\n\n"):
        lines = [l for l in block.strip().split("\n") if not l.startswith("#~")]
        fuzzy = any(l.startswith("#,") and "fuzzy" in l for l in lines)
        parts, key = {"msgid": [], "msgstr": []}, None
        for line in lines:
            m = re.match(r'^(msgid|msgstr) (".*")$', line)
            if m:
                key = m.group(1)
                parts[key].append(m.group(2)[1:-1])
            elif line.startswith('"') and key:
                parts[key].append(line[1:-1])
        if key:
            msgid = "".join(parts["msgid"])
            if msgid:
                entries[msgid] = ("".join(parts["msgstr"]), fuzzy)
    return entries


def main():
    root = sys.argv[1]
    self_test()
    failures = []
    for folder, _, files in os.walk(os.path.join(root, "src")):
        for name in sorted(files):
            if not name.endswith((".cc", ".h")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            for text in unmarked(open(path, encoding="utf-8").read()):
                if (rel, text) not in ALLOWED:
                    failures.append("%s: \"%s\" is not marked for the catalogue" % (rel, text))
    with tempfile.TemporaryDirectory() as tmp:
        pot = os.path.join(tmp, "tamarack.pot")
        subprocess.run([os.path.join(root, "scripts", "extract-messages.sh"), pot], check=True)
        extracted = po_entries(pot)
    if set(extracted) != set(po_entries(os.path.join(root, "po", "tamarack.pot"))):
        failures.append("po/tamarack.pot is not what the sources hold: run "
                        "scripts/extract-messages.sh and merge po/*.po")
    english = po_entries(os.path.join(root, "po", "en.po"))
    for msgid in extracted:
        msgstr, fuzzy = english.get(msgid, ("", False))
        if not msgstr or fuzzy:
            failures.append("en.po: no finished translation of \"%s\"" % msgid)
        elif JAPANESE.search(msgstr):
            failures.append("en.po: Japanese left in \"%s\"" % msgstr)
    for msgid in extracted:
        if not JAPANESE.search(msgid) and msgid not in ENGLISH_ORIGINALS:
            failures.append("\"%s\" is English in the sources: the Japanese window would show it "
                            "untranslated" % msgid)
    for msgid in set(english) - set(extracted):
        failures.append("en.po: \"%s\" is no text of the sources" % msgid)
    for f in failures:
        print(f)
    print("%d texts, %d problems" % (len(extracted), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
