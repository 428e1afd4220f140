"""The GSM tables read afresh from the project's data file, and plain
forms of what the package does with them: the reference its tests hold it
to."""
import os
from collections import defaultdict

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "library", "tables",
                    "national-language-tables.tsv")
# language id -> code -> character
LOCKING, SINGLE = defaultdict(dict), defaultdict(dict)
with open(DATA, encoding="utf-8") as f:
    for line in f:
        if not line.startswith(("#", "language_id")):
            language, _, table, code, unicode = line.rstrip("\n").split("\t")
            (LOCKING if table == "locking" else SINGLE)[int(language)][int(code, 16)] = chr(int(unicode[2:], 16))
LOCKING[2] = LOCKING[0]  # Spanish has no locking table of its own
CHARACTERS = sorted({c for t in list(LOCKING.values()) + list(SINGLE.values()) for c in t.values()})


def codes(char, locking, single):
    """The GSM codes of a character, the lower code where a table has it
    twice; None where the pair lacks it."""
    for table, prefix in ((LOCKING[locking], b""), (SINGLE[single], b"\x1b")):
        found = sorted(code for code, c in table.items() if c == char)
        if found:
            return prefix + bytes([found[0]])
    return None


def septets(text, locking, single):
    return b"".join(codes(c, locking, single) for c in text)

