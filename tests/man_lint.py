#!/usr/bin/env python3
"""Checks the manual page as its readers see it.

    python3 man_lint.py build/test/zentro.1 3.0.0

- groff (what man uses on Debian and Ubuntu) takes the page without a
  single warning, in UTF-8 and in ASCII, and mandoc's lint says nothing;
- the .TH line names the version, and the sections a reader looks for are
  there;
- a number and its unit ("64 KiB"), and a sum or difference
  ("USED_MEM - 0x10000"), are held together by unpaddable spaces in the
  source, outside the displays, so that no line break falls inside;
- every quoted text, \\(lq...\\(rq, is held together by unpaddable spaces
  in the source, and reads the same in groff's and in mandoc's rendering:
  on one line, with no stretched space, no hyphen added, no character lost;
- every line of every .EX display comes out as written, in UTF-8 and in
  ASCII, from both formatters, and no wider than 78 columns;
- groff breaks no file name or symbol with a hyphen, at 80 columns or at
  78 (where man sets the line length for an 80-column terminal);
- groff puts no doubled space (its end of a sentence) where mandoc puts one.

The comparison needs both formatters; with only one, the rest is checked
and the test reports itself skipped.
"""
import re
import shutil
import subprocess
import sys

WIDTH = 80
# man renders for a terminal of WIDTH columns with a line length of WIDTH - 2.
MAN_WIDTH = WIDTH - 2
# No display line may be wider: it does not wrap, and a wider one does not
# fit beside man's margin.
DISPLAY_WIDTH = 78
SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", '"MEMCFG.CFG FORMAT"', '"ADDRESS LAYOUT"',
            '"GENERATED FILES"', '"EXIT STATUS"', "FILES", "EXAMPLE", "CAVEATS",
            '"SEE ALSO"']
# The escapes a display line may use, and what they show.
EX_ESCAPES = {"\\e": "\\", "\\-": "-", "\\&": "", "\\(dq": '"', "\\ ": " "}

problems = []


def run(cmd):
    r = subprocess.run(cmd, capture_output=True)
    out = r.stdout.decode("utf-8", "replace")
    err = r.stderr.decode("utf-8", "replace")
    return r.returncode, out, err


def lint(cmd):
    status, out, err = run(cmd)
    if status != 0 or out or err:
        problems.append("%s (status %d):\n%s%s" % (" ".join(cmd), status, out, err))


def render(cmd):
    status, out, err = run(cmd)
    if status != 0 or not out:
        problems.append("%s failed (status %d): %s" % (" ".join(cmd), status, err))
    # Bold and italics by overstriking ("x\bx", "_\bx"); mandoc's unbreakable
    # space is U+00A0, which shows as a space.
    return re.sub(".\b", "", out).replace("\u00a0", " ")


def check_source(page):
    th = re.search(r'^\.TH ZENTRO 1 .*"zentro %s"' % re.escape(version), page, re.M)
    if not th:
        problems.append("the .TH line does not name zentro %s" % version)
    for section in SECTIONS:
        if "\n.SH %s\n" % section not in page:
            problems.append("no section .SH %s" % section)
    text = re.sub(r"^\.EX\n.*?^\.EE$", "", page, flags=re.S | re.M)
    for m in re.finditer(r"(?<![\w.])(?:\d+|0x[0-9A-F]+|\\fI\w+\\fR)\s+(?:\\%)?(?:bytes|Kbytes|KiB|"
                         r"MiB|bits|characters)\b|[\w)]\s+(?:\\-|\+)(?=\s+(?:\d|0x|\\f|\\%))", text):
        line = text[text.rfind("\n", 0, m.start()) + 1:text.find("\n", m.end())]
        problems.append("a quantity that may break across lines: %r in %r" % (m.group(0), line))
    # \<space> keeps a quote from stretching or breaking, and \% at the
    # start of its word from being hyphenated (elsewhere in a word, \% is a
    # place to hyphenate).
    for m in re.finditer(r"(\S*?)\\\(lq(.*?)\\\(rq", page, re.S):
        line = page.count("\n", 0, m.start()) + 1
        if "\n" in m.group(2) or re.search(r"(?<!\\) ", m.group(2)):
            problems.append("line %d: quoted text with a breakable space: %s" % (line, m.group(0)))
        if not re.match(r"(\\f.)*\\%[^%]*$", m.group(1)):
            problems.append("line %d: quoted text whose word does not begin with \\%%: %s" %
                            (line, m.group(0)))


def display_lines(page):
    """Every line of every .EX display, as a reader must see it."""
    lines = []
    for block in re.findall(r"^\.EX\n(.*?)^\.EE$", page, re.S | re.M):
        for line in block.splitlines():
            # Newer groff shows a bare - as a typographic hyphen.
            if re.search(r"(?<!\\)-", line):
                problems.append("display line with - where \\- is meant: " + line)
            shown = re.sub(r"\\\(..|\\.", lambda m: EX_ESCAPES.get(m.group(0), "\0"), line)
            if "\0" in shown:
                problems.append("display line with an escape this check does not know: " + line)
            lines.append(shown.strip())
    return lines


def quotes(text):
    return re.findall("\u201c[^\u201c\u201d]*\u201d", text)


man, version = sys.argv[1], sys.argv[2]
page = open(man, encoding="utf-8").read()
check_source(page)

groff = shutil.which("groff")
mandoc = shutil.which("mandoc")
if not groff and not mandoc:
    print("SKIPPED: neither groff nor mandoc is installed")
    sys.exit(0)

renderings = {}
if groff:
    for device in ("utf8", "ascii"):
        lint([groff, "-man", "-ww", "-z", "-T" + device, man])
        for prefix, width in (("groff ", WIDTH), ("man ", MAN_WIDTH)):
            lint([groff, "-man", "-ww", "-z", "-T" + device, "-rLL=%dn" % width, man])
            renderings[prefix + device] = render(
                [groff, "-man", "-T" + device, "-rLL=%dn" % width, "-P-cbou", man])
if mandoc:
    lint([mandoc, "-man", "-T", "lint", man])
    for device in ("utf8", "ascii"):
        renderings["mandoc " + device] = render(
            [mandoc, "-man", "-T", device, "-O", "width=%d" % WIDTH, man])

displays = display_lines(page)
for line in displays:
    for name, text in renderings.items():
        shown = [s.rstrip() for s in text.splitlines() if s.strip() == line]
        if not shown:
            problems.append("%s does not show the display line: %s" % (name, line))
        elif min(len(s) for s in shown) > DISPLAY_WIDTH:
            problems.append("%s shows a display line %d columns wide, over %d: %s" %
                            (name, min(len(s) for s in shown), DISPLAY_WIDTH, line))

# A name broken by a hyphen at the end of a line cannot be found or copied
# whole: every word with a dot, an underscore, a slash or a backslash
# inside, every word with a capital after a small letter (LoadTim), and
# every word the page sets in italics or bold.
names = set()
for m in re.finditer(r"^\.(?:[IB]|[IB]R|R[IB]|[IB][IB]) +(.*)$|\\f[IB](.*?)\\f[RP]", page, re.M):
    text = re.sub(r'\\f.|\\[%&]|\\\(..|"', "", m.group(1) or m.group(2))
    text = text.replace("\\e", "\\").replace("\\-", "-")
    names.update(w.strip(",;:.()") for w in text.split())
names.discard("")


def is_name(word):
    return (word in names or re.search(r"\w[._/\\]\w", word) or re.search(r"[a-z][A-Z]", word))


for name, text in renderings.items():
    if not name.startswith(("groff", "man")):
        continue  # mandoc does not hyphenate
    lines = text.splitlines()
    for line, following in zip(lines, lines[1:]):
        m = re.search(r"(\S*\w)[\u2010-]$", line)
        if m and following.split():
            word = (m.group(1) + following.split()[0]).strip("\u201c\u201d\"(),;:.")
            if is_name(word):
                problems.append("%s hyphenates the name %s: %r / %r" %
                                (name, word, line.strip(), following.strip()))


def spacing(texts):
    """The pairs of words that stand two spaces apart, and one apart."""
    double, single = set(), set()
    for text in texts:
        for line in text.splitlines():
            for m in re.finditer(r"(\S+)(?=( +)(\S+))", line):
                if m.group(2) == "  ":
                    double.add((m.group(1), m.group(3)))
                elif m.group(2) == " ":
                    single.add((m.group(1), m.group(3)))
    return double, single


if groff and mandoc:
    # mandoc at several widths, so that a pair broken across lines at one
    # stands on one line at another.
    wider = [render([mandoc, "-man", "-T", "utf8", "-O", "width=%d" % w, man])
             for w in (WIDTH + 20, WIDTH + 40)]
    m_double, m_single = spacing([renderings["mandoc utf8"]] + wider)
    g_double, _ = spacing([renderings["groff utf8"], renderings["man utf8"]])
    for pair in sorted(g_double & (m_single - m_double)):
        problems.append("groff puts two spaces between %r and %r, mandoc one" % pair)

if groff and mandoc:
    by_groff = quotes(renderings["groff utf8"])
    by_mandoc = quotes(renderings["mandoc utf8"])
    if len(by_groff) != len(by_mandoc):
        problems.append("groff shows %d quoted texts, mandoc %d" % (len(by_groff), len(by_mandoc)))
    for g, m in zip(by_groff, by_mandoc):
        if g != m:
            problems.append("a quoted text reads differently:\n  groff:  %r\n  mandoc: %r" % (g, m))
    for q in by_groff:
        if "\n" in q:
            problems.append("a quoted text is broken across lines: %r" % q)
        ascii_form = '"' + q[1:-1] + '"'
        for name in ("groff ascii", "mandoc ascii"):
            if ascii_form not in renderings[name]:
                problems.append("%s does not show the quoted text %s" % (name, ascii_form))

if problems:
    print("%s: %d problem(s)" % (man, len(problems)))
    for p in problems:
        print("- " + p)
    sys.exit(1)
if not (groff and mandoc):
    print("SKIPPED: the renderings are compared only when groff and mandoc are both installed")
print("%s: %d quoted texts and %d display lines read alike in %s" %
      (man, len(quotes(renderings.get("groff utf8", renderings.get("mandoc utf8", "")))),
       len(displays), ", ".join(sorted(renderings))))
