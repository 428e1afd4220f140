#!/usr/bin/env python3
"""Throughput of septcvt beside iconv on the same shape of text.

Makes SMS-like GSM text deterministically (mostly ASCII letters, digits and
spaces, with every GSM code and every escape pair mixed in, about one
character in nine outside ASCII), and the same text as Latin-1 for the peer:
each GSM character as itself where Latin-1 has it, else as a Latin-1 letter
above 0x7F, so both meet the same mix of one- and two-byte UTF-8 forms.
Runs both tools and `cat` interleaved, round after round, and prints the
median MB/s of each direction, the ratio septcvt/peer in time, septcvt's
time against cat's on the same file (the cost of moving the bytes at all),
and septcvt's peak resident memory on a small and the full input. With
--baseline, another build of septcvt (an earlier release, say) runs in the
same rounds, and its time is compared too. Names the kernel set septcvt
runs, as the build's kernel check lists it. Perl's Encode (gsm0338), which
many gateways use, runs beside septcvt on a small input of its own: its
reverse conversion grows with the square of the input. Then runs the
in-process benchmark of the national language tables (bench/pairs.cpp,
built beside septcvt) with the same size and rounds, and prints its table.
Last, where the library has the planner of SMS parts, times it per text
in-process (bench/planner.cpp) on SMS texts of one to three parts with the
default options and with all 13 languages allowed, in the same rounds (the
time with all 13 over the time with the default options against its
target), and on a 1 MB text with the default options; beside each plan the
time of its parts as SMS-SUBMITs, as SMPP's submit_sm, and of those read
back and joined; and
beside it, in the same run, the npm segment calculators
sms-segments-calculator and split-sms (bench/peers.js, installed with npm
into a folder of the build directory, where npm is present) on the same
texts, the Python package's plan() on the SMS texts
(bench/python_plan.py), where the package is built in place in
bindings/python or --python names a Python that has it, and the Node
package (bindings/node, where its addon is built) as a caller uses it,
with the peers' time over its against the package's targets. With --parts,
prints instead the parts and encodings that the planner and the two
calculators give for a set of tricky texts, and with --planner-only runs
only the planner's section. Never fails on timing, nor for
want of npm, Perl or the packages.
"""
import argparse
import glob
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# GSM codes whose character is also ASCII (and so one UTF-8 byte).
ASCII_CODES = [c for c in range(0x80) if c in (0x0A, 0x0D) or 0x20 <= c <= 0x7A and c not in (0x24, 0x40, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x60)] + [0x11]
# Every other code of the alphabet, and every escape pair.
OTHER_CODES = [c for c in range(0x80) if c not in ASCII_CODES and c != 0x1B]
ESCAPES = [0x0A, 0x14, 0x28, 0x29, 0x2F, 0x3C, 0x3D, 0x3E, 0x40, 0x65]
# The escape characters that are ASCII: ^ { } \ [ ~ ] | (form feed too).
ASCII_ESCAPES = {0x0A: 0x0C, 0x14: 0x5E, 0x28: 0x7B, 0x29: 0x7D, 0x2F: 0x5C,
                 0x3C: 0x5B, 0x3D: 0x7E, 0x3E: 0x5D, 0x40: 0x7C}
COMMON = b"abcdefghijklmnopqrstuvwxyz" * 3 + b"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789" + b" " * 14


def make_ascii(size, seed=2001):
    """About size bytes of GSM text whose every code is its own ASCII
    character: letters, digits, spaces and line ends."""
    rng = random.Random(seed)
    line = bytes(rng.choice(COMMON) for _ in range(1 << 16)) + b"\n"
    return line * max(1, round(size / len(line)))


def make_text(size, seed=2001):
    """(gsm, latin1) of about size bytes of GSM text, built from one
    deterministic megabyte repeated."""
    rng = random.Random(seed)
    gsm, latin = bytearray(), bytearray()
    chunk = min(size, 1 << 20)
    extra = 0xC0
    while len(gsm) < chunk:
        if rng.random() < 1 / 9:
            pick = rng.randrange(len(OTHER_CODES) + len(ESCAPES))
            if pick < len(OTHER_CODES):
                gsm.append(OTHER_CODES[pick])
            else:
                code = ESCAPES[pick - len(OTHER_CODES)]
                gsm += bytes([0x1B, code])
            # The peer's character: a Latin-1 letter above 0x7F stands for
            # every GSM character outside ASCII (the escape's ASCII ones too,
            # so that the mix of forms is the same).
            latin.append(extra)
            extra = 0xC0 + (extra - 0xBF) % 0x3F
        else:
            c = COMMON[rng.randrange(len(COMMON))]
            gsm.append(c)
            latin.append(c)
    reps = max(1, round(size / len(gsm)))
    return bytes(gsm) * reps, bytes(latin) * reps


def run(cmd, src, dst="/dev/null"):
    """Seconds of one run, stdin from src."""
    with open(src, "rb") as i, open(dst, "wb") as o:
        start = time.perf_counter()
        status = subprocess.run(cmd, stdin=i, stdout=o).returncode
        elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{' '.join(cmd)} < {src} failed with status {status}")
    return elapsed


def peak_rss_kib(timer, cmd, src):
    """Peak resident memory of one run. Measured by /usr/bin/time, whose own
    child starts small: a child of this script would count the script's
    memory, since the high-water mark survives fork and exec."""
    with open(src, "rb") as i:
        p = subprocess.run([timer, "-f", "%M"] + cmd, stdin=i, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, text=True, check=True)
    return int(p.stderr.strip().splitlines()[-1])


# The npm peers of the planner, at the versions measured.
PEERS = {"sms-segments-calculator": "1.3.0", "split-sms": "0.1.7"}
HERE = os.path.dirname(os.path.abspath(__file__))
PEERS_JS = os.path.join(HERE, "peers.js")

# SMS texts of one to three parts, planned with all 13 languages allowed.
SMS_TEXTS = {
    "english-1": "Hi Sam, your table for 4 is booked for Friday at 7:30pm. Reply YES to confirm "
                 "or call 020 7946 0321 to change it. See you soon!",
    "english-3": "Dear customer, your parcel 48291734 left our depot this morning and will reach you "
                 "tomorrow between 9am and 1pm. If nobody is in, the driver will leave a card and try "
                 "again the next working day. You can also pick it up from the shop at 14 High Street "
                 "(open 8am-6pm, Mon-Sat) with photo ID. To choose another day, reply with a date "
                 "such as 24/05, or visit our site and enter your code. Reply STOP to opt out.",
    "turkish-2": "Sayın müşterimiz, 12.05 tarihli siparişiniz kargoya verilmiştir. Takip numaranız: "
                 "4829 1734 5521. Teslimat süresi 2-3 iş günüdür. Soru ve önerileriniz için çağrı "
                 "merkezimizi arayabilirsiniz. İyi günler dileriz.",
    "portuguese-1": "Olá! A sua encomenda 5821 já foi enviada e chegará amanhã entre as 9h e as 13h. "
                    "Não se esqueça de ter o código de confirmação à mão.",
    "hindi-2": "नमस्ते! आपका पार्सल 5821 भेज दिया गया है और कल सुबह 9 से 1 बजे के बीच पहुँचेगा। कृपया "
               "डिलीवरी के समय अपना कोड 4471 तैयार रखें। धन्यवाद।",
    "emoji-quotes-2": "\u201cHappy birthday!\u201d \U0001F389\U0001F382 Let\u2019s meet at the caf\u00e9 "
                      "at 8 \u2014 don\u2019t be late \U0001F604",
}

# Texts where splitters go wrong, for --parts: escape pairs, surrogate pairs
# and clusters at part boundaries, counts around the limits.
TRICKY_TEXTS = {
    "empty": "",
    "160 septets": "a" * 160,
    "161 septets": "a" * 161,
    "euro at septet 153": "a" * 152 + "\u20ac" + "b" * 10,
    "brace at septet 153": "a" * 152 + "{" + "b" * 10,
    "euro ends 161 septets": "a" * 159 + "\u20ac",
    "306 septets": "a" * 306,
    "307 septets, euro last": "a" * 305 + "\u20ac",
    "153 braces": "{" * 153,
    "CR LF at septet 153": "a" * 152 + "\r\n" + "b" * 10,
    "extension after UCS-2": "\u0436 " + "{}[]~\u20ac" * 12,
    "emoji at unit 67": "\u0436" * 66 + "\U0001F600" + "x" * 10,
    "flag at unit 67": "\u0436" * 65 + "\U0001F1EB\U0001F1F7" + "x" * 10,
    "ZWJ family at unit 67": "\u0436" * 64 + "\U0001F468\u200d\U0001F469\u200d\U0001F467" + "x" * 10,
    "combining mark at unit 67": "\u0436" * 66 + "e\u0301" + "x" * 10,
    "cluster of 81 units": "e" + "\u0301" * 80,
    "tab, outside the alphabet": "Name:\tSam\tAge:\t42",
    "small c cedilla": "Fran\u00e7ois, \u00e7a va?",
    "no-break space": "10\u00a0km",
    "escape character": "a\u001bb",
    "Turkish, 100 chars": ("\u015eimdi ba\u011flant\u0131 kuruldu, l\u00fctfen bekleyin; "
                          "\u00e7a\u011fr\u0131 i\u015fleniyor. ") * 2,
    "Portuguese, 100 chars": "P\u00e3o e feij\u00e3o \u00e0 mesa; \u00e0s 13h n\u00e3o h\u00e1 "
                             "p\u00eassego nem lim\u00e3o. " * 2,
}


def make_big(size=1_000_000, seed=2001):
    """About size bytes of UTF-8 words in the default alphabet, escape
    characters among them, cut at a word's end."""
    rng = random.Random(seed)
    words = ("the and for you your order will be sent today tomorrow call reply stop code "
             "caf\u00e9 \u00fcber \u00a320 \u20ac15 {ref} [ok] price: 9.99 Se\u00f1or \u00e5r "
             "\u00d8re 100% #1 @home").split()
    out, n = [], 0
    while n < size:
        w = rng.choice(words) + (" " if rng.random() < 0.9 else ".\n")
        out.append(w)
        n += len(w.encode())
    return "".join(out).encode()[:size].rsplit(b" ", 1)[0]


def install_peers(npm_dir):
    """The node_modules folder with the peers at their versions, installing
    them where they are not; None, with a note printed, where that fails."""
    modules = os.path.join(npm_dir, "node_modules")

    def installed():
        for name, version in PEERS.items():
            try:
                with open(os.path.join(modules, name, "package.json")) as f:
                    if json.load(f).get("version") != version:
                        return False
            except (OSError, ValueError):
                return False
        return True

    if installed():
        return modules
    npm = shutil.which("npm")
    if not npm or not shutil.which("node"):
        print("npm or node not found: the npm peers are not measured")
        return None
    cmd = [npm, "install", "--prefix", npm_dir, "--no-save", "--no-audit", "--no-fund", "--loglevel=error"]
    cmd += [f"{name}@{version}" for name, version in PEERS.items()]
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=300)
    except (OSError, subprocess.TimeoutExpired) as e:
        print(f"npm install failed ({e}): the npm peers are not measured")
        return None
    if p.returncode != 0 or not installed():
        first = p.stdout.strip().splitlines()[:1] or [f"status {p.returncode}"]
        print(f"npm install failed ({first[0]}): the npm peers are not measured")
        return None
    return modules


def lines_of(cmd):
    """The tab-separated lines a helper prints, split; None, with a note
    printed, where it fails."""
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    except OSError as e:
        print(f"{cmd[0]} did not run: {e}")
        return None
    if p.returncode != 0:
        print(f"{' '.join(cmd[:2])} failed with status {p.returncode}: {p.stderr.strip()}")
        return None
    return [line.split("\t") for line in p.stdout.splitlines()]


def write_texts(tmp, texts):
    """Each text into a file of its own name; the paths, in order."""
    paths = []
    for name, data in texts.items():
        paths.append(os.path.join(tmp, name))
        with open(paths[-1], "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode())
    return paths


def compare_parts(planner, modules):
    """The parts and encoding of each tricky text: the planner's with no
    language and with all 13 allowed, and each peer's."""
    with tempfile.TemporaryDirectory() as tmp:
        paths = write_texts(tmp, TRICKY_TEXTS)
        ours = lines_of([planner, "--parts"] + paths) if os.access(planner, os.X_OK) else None
        if ours is None:
            print(f"{planner} not found or failed: build with the planner (-DSEPTCVT_PLANNER=ON)")
        theirs = lines_of(["node", PEERS_JS, "--modules", modules, "--parts"] + paths) if modules else None
    print("encoding, parts: septets or UTF-16 units of each part")
    header = ["text", "planner", "planner, 13 languages"] + list(PEERS)
    rows = [header]
    for i, name in enumerate(TRICKY_TEXTS):
        rows.append([name] + (ours[i][1:] if ours else ["-", "-"]) + (theirs[i][1:] if theirs else ["-", "-"]))
    widths = [max(len(r[c]) for r in rows) for c in range(len(header))]
    for r in rows:
        print("  ".join(cell.ljust(w) for cell, w in zip(r, widths)).rstrip())


def ratio(r):
    """Two figures at least, without a long tail."""
    return f"{r:.0f}" if r >= 10 else f"{r:.2g}"


# The Python package, where it is built in place (setup.py build_ext
# --inplace) or installed for the Python that --python names.
PACKAGE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bindings", "python")
PYTHON_PLAN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "python_plan.py")


def python_rows(python, planner, rounds, paths):
    """The package's plan() per SMS text, with every part's user data, and
    the C driver's, run by turns round after round, so that both see the
    same load: (name, bytes, driver, package) in microseconds, medians;
    None, with a note printed, where the package cannot be imported."""
    env = dict(os.environ)
    if glob.glob(os.path.join(PACKAGE, "septcvt", "_septcvt*.so")):
        env["PYTHONPATH"] = os.pathsep.join(filter(None, [PACKAGE, env.get("PYTHONPATH")]))
    try:
        found = subprocess.run([python, "-c", "import septcvt"], env=env, capture_output=True).returncode == 0
    except OSError:
        found = False
    if not found:
        print(f"the septcvt package is not importable by {python} (build it in bindings/python, or name a Python "
              "that has it with --python): not measured")
        return None
    sides = [[planner, "--rounds", "1", "--languages", "0x3FFE"],
             [python, PYTHON_PLAN, "--rounds", "1", "--all-languages"]]
    times = {}  # name -> (bytes, [driver times], [package times])
    for r in range(rounds):
        for side in (0, 1) if r % 2 == 0 else (1, 0):
            p = subprocess.run(sides[side] + paths, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            if p.returncode != 0:
                sys.exit(f"{sides[side][0]} failed: {p.stderr.strip()}")  # a plan went wrong, no matter of timing
            for name, size, us, *_ in (line.split("\t") for line in p.stdout.splitlines()):
                times.setdefault(name, (size, [], []))[1 + side].append(float(us))
    return [(name, int(size), statistics.median(c), statistics.median(py)) for name, (size, c, py) in times.items()]


def python_table(rows, rounds):
    print(f"\npackage: septcvt.plan() in Python, every part's user data with it, beside the C driver on the same "
          f"SMS texts, each run {rounds} times by turns; microseconds per text (median)")
    print(f"{'text':<15} {'bytes':>7} {'planner':>9} {'python':>9} {'python/planner':>15}")
    for name, size, c, py in rows:
        print(f"{name:<15} {size:>7} {c:>9.2f} {py:>9.2f} {py / c:>15.2f}")
    worst = max(py / c for _, _, c, py in rows)
    print(f"python/planner on the SMS texts: {worst:.2f} at most (target <= 2): {'met' if worst <= 2 else 'NOT met'}")


def planner_section(args, rounds):
    """The planner's time per text beside the npm peers', in one run."""
    planner = args.planner
    if not os.access(planner, os.X_OK):
        print(f"{planner} not found: the planner is not measured (it is built where the library has it)")
        return
    modules = install_peers(args.npm_dir)
    with tempfile.TemporaryDirectory() as tmp:
        sms = write_texts(tmp, SMS_TEXTS)
        big = write_texts(tmp, {"1 MB": make_big()})
        # The SMS texts with the default options and with all 13 languages
        # in the same rounds, so that their ratio is of one run.
        ours = [lines_of([planner, "--rounds", str(rounds), "--languages", "0", "--languages", "0x3FFE"] + sms),
                lines_of([planner, "--rounds", str(rounds)] + big)]
        if None in ours:
            sys.exit(f"{planner} failed")  # a plan went wrong, which is no matter of timing
        ours = ours[0] + ours[1]
        node = node_package_dir(args.package)
        extra = ["--package", node, "--languages", ",".join(SMS_TEXTS)] if node else []
        theirs = lines_of(["node", "--expose-gc", PEERS_JS, "--modules", modules, "--rounds", str(rounds)]
                          + extra + sms + big) if modules else None
        python = python_rows(args.python, planner, rounds, sms)
    # peer -> text -> (bytes taken, microseconds, parts, encoding)
    peer_times = {}
    for peer, name, taken, us, parts, enc in theirs or []:
        peer_times.setdefault(peer, {})[name] = (int(taken), float(us), parts, enc)
    print(f"planner: {len(sms)} SMS texts with the default options (languages 0) and with all 13 languages "
          f"allowed (13), and a 1 MB text with the default options; {rounds} interleaved rounds, microseconds per "
          f"text (median): the plan and its user data, the plan alone, every part as SMS-SUBMIT, every part as "
          f"SMPP's submit_sm, and those read back as deliver_sm and joined")
    cols = [f"{'text':<15} {'lang':>4} {'bytes':>7} {'planner':>9} {'plan':>9} {'SUBMITs':>9} {'SMPP':>9} "
            f"{'joined':>9} {'parts, encoding':<28}"]
    for peer in PEERS:
        cols.append(f"{peer:>24} {'parts':>6} {'ratio':>7}")
    print(" ".join(cols))
    # peer -> [(text, languages, ratio)]
    ratios = {peer: [] for peer in PEERS}
    cut, submit_ratios = [], []
    # text -> languages -> microseconds
    planner_us = {}
    for name, size, us, status, parts, enc, alone_us, submit_us, smpp_us, join_us, mask in ours:
        us, alone_us = float(us), float(alone_us)
        languages = "13" if int(mask, 16) == 0x3FFE else "0"
        planner_us.setdefault(name, {})[languages] = us
        plan = f"{parts} {enc}" if status == "SEPTCVT_OK" else f"{status}: {parts}"
        wire = (f"{float(submit_us):>9.2f} {float(smpp_us):>9.2f} {float(join_us):>9.2f}" if status == "SEPTCVT_OK"
                else f"{'-':>9} {'-':>9} {'-':>9}")
        if status == "SEPTCVT_OK":
            submit_ratios.append(float(submit_us) / alone_us)
        row = [f"{name:<15} {languages:>4} {int(size):>7} {us:>9.2f} {alone_us:>9.2f} {wire} {plan:<28}"]
        for peer in PEERS:
            got = peer_times.get(peer, {}).get(name)
            if got is None:
                row.append(f"{'-':>24} {'-':>6} {'-':>7}")
                continue
            taken, their_us, their_parts, their_enc = got
            if taken < int(size):
                cut.append(f"{peer} took {their_us / 1e6:.2f} s on the first {taken / 1000:.0f} kB of the "
                           f"{name} text, {their_parts} parts; the whole would take far longer, as it slows "
                           f"with the square of the text")
                row.append(f"{'(cut, below)':>24} {'-':>6} {'-':>7}")
                continue
            ratios[peer].append((name, languages, their_us / us))
            row.append(f"{their_us:>24.2f} {their_parts:>6} {ratio(their_us / us):>7}")
        print(" ".join(row))
    for note in cut:
        print(note)
    # The TPDUs of a plan should cost less than making it.
    if submit_ratios:
        worst = max(submit_ratios)
        print(f"SUBMITs/plan alone: {ratio(worst)} at most (target < 1): {'met' if worst < 1 else 'NOT met'}")
    # The planner's own time with all 13 languages over its time with the
    # default options, on each SMS text.
    languages_cost = [by["13"] / by["0"] for name, by in planner_usage(planner_us)]
    if languages_cost:
        worst = max(languages_cost)
        print(f"planner with all 13 languages/with the default options on the SMS texts: {worst:.2f} at most "
              f"(target <= 1.5): {'met' if worst <= 1.5 else 'NOT met'}")
    if python is not None:
        python_table(python, rounds)
    if theirs is None:
        return
    # Targets: the peer's time over the planner's.
    small = [r for n, _, r in ratios["sms-segments-calculator"] if n in SMS_TEXTS]
    if small:
        print(f"sms-segments-calculator/planner on the SMS texts: {ratio(min(small))} at least "
              f"(target >= 100): {'met' if min(small) >= 100 else 'NOT met'}")
    # split-sms knows no national table: set beside the planner with the
    # same options, the default alphabet and UCS-2.
    same = [r for n, languages, r in ratios["split-sms"] if n in SMS_TEXTS and languages == "0"]
    if same:
        print(f"split-sms/planner on the SMS texts, default options: {ratio(min(same))} at least (target >= 2): "
              f"{'met' if min(same) >= 2 else 'NOT met'}")
    large = [r for n, _, r in ratios["split-sms"] if n not in SMS_TEXTS]
    if large:
        print(f"split-sms/planner on the 1 MB text: {ratio(large[0])} (target >= 20): "
              f"{'met' if large[0] >= 20 else 'NOT met'}")
    if node:
        # The Node package plans the SMS texts with all 13 languages.
        node_rows(peer_times, {name: by.get("13", by.get("0")) for name, by in planner_us.items()})


def planner_usage(planner_us):
    """The texts timed both with the default options and with all 13
    languages: (text, {languages: microseconds})."""
    return [(name, by) for name, by in planner_us.items() if "0" in by and "13" in by]


def node_package_dir(path):
    """The Node package's folder where its addon is built; None, with a note
    printed, where it is not."""
    if os.path.exists(os.path.join(path, "build", "Release", "septcvt.node")):
        return path
    print(f"the Node package is not built in {path} (npm install there): it is not measured")
    return None


def node_rows(peer_times, planner_us):
    """The Node package per text, the call and the objects it makes included,
    beside the npm peers in the same run: their time over its, and its time
    over the planner's in C (the cost of the call)."""
    ours = peer_times.get("septcvt", {})
    print("\nthrough the Node package (same texts, options and rounds), microseconds per text (median)")
    print(f"{'text':<15} {'package':>9} {'parts, encoding':<28} {'package/C':>9}"
          + "".join(f" {peer + '/package':>32}" for peer in PEERS))
    worst = {peer: None for peer in PEERS}
    for name, (taken, us, parts, enc) in ours.items():
        row = f"{name:<15} {us:>9.2f} {parts + ' ' + enc:<28} {us / planner_us[name]:>9.2f}"
        for peer in PEERS:
            got = peer_times.get(peer, {}).get(name)
            if got is None or got[0] < taken:
                row += f" {'-':>32}"
                continue
            r = got[1] / us
            row += f" {ratio(r):>32}"
            if peer == "split-sms" or name in SMS_TEXTS:
                worst[peer] = r if worst[peer] is None else min(worst[peer], r)
        print(row)
    targets = {"sms-segments-calculator": (100, "every SMS text"), "split-sms": (1, "every text")}
    for peer, (target, where) in targets.items():
        if worst[peer] is not None:
            print(f"{peer}/package on {where}: {ratio(worst[peer])} at least (target >= {target}): "
                  f"{'met' if worst[peer] >= target else 'NOT met'}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--septcvt", default="build/septcvt")
    ap.add_argument("--mb", type=float, default=100, help="size of the GSM input in MB")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--baseline", help="another septcvt binary to run beside it")
    ap.add_argument("--pairs", default="build/bench/septcvt_pairs",
                    help="the benchmark of the national language tables")
    ap.add_argument("--planner", default="build/bench/septcvt_planner_bench",
                    help="the benchmark of the planner of SMS parts")
    ap.add_argument("--python", default=sys.executable,
                    help="a Python that has the septcvt package (the one built in place in bindings/python "
                         "comes first)")
    ap.add_argument("--package", default=os.path.join(os.path.dirname(HERE), "bindings", "node"),
                    help="the Node package's folder, timed beside the npm peers where its addon is built")
    ap.add_argument("--npm-dir", help="where npm installs the peers of the planner "
                    "(default: bench-npm in the build directory of --septcvt)")
    ap.add_argument("--parts", action="store_true",
                    help="only compare the parts of tricky texts between the planner and its npm peers")
    ap.add_argument("--perl-kb", type=float, default=20, help="size of Perl's input in KB")
    ap.add_argument("--planner-only", action="store_true",
                    help="only time the planner beside its peers (the last section)")
    args = ap.parse_args()
    if args.npm_dir is None:
        args.npm_dir = os.path.join(os.path.dirname(os.path.abspath(args.septcvt)), "bench-npm")
    if args.parts:
        compare_parts(args.planner, install_peers(args.npm_dir))
        return
    if args.planner_only:
        planner_section(args, args.rounds)
        return
    iconv = shutil.which("iconv")
    if not iconv:
        sys.exit("iconv not found")
    timer = shutil.which("time", path="/usr/bin:/bin")
    if not timer:
        sys.exit("/usr/bin/time not found: it measures peak memory (Debian package 'time')")
    tool = os.path.abspath(args.septcvt)

    with tempfile.TemporaryDirectory() as tmp:
        path = lambda name: os.path.join(tmp, name)
        gsm, latin = make_text(int(args.mb * 1e6))
        small, _ = make_text(1_000_000)
        ascii_text = make_ascii(int(args.mb * 1e6))
        for name, data in (("gsm", gsm), ("latin1", latin), ("small", small), ("ascii", ascii_text)):
            with open(path(name), "wb") as f:
                f.write(data)
        # The Unicode forms of each text, made by the tools themselves.
        run([tool], path("gsm"), path("utf8"))
        run([tool, "-u"], path("gsm"), path("ucs2"))
        run([iconv, "-f", "latin1", "-t", "utf-8"], path("latin1"), path("latin1.utf8"))
        for form in ("utf8", "ucs2"):
            back = path(form + ".back")
            run([tool, "-r"] + (["-u"] if form == "ucs2" else []), path(form), back)
            with open(back, "rb") as f:
                if f.read() != gsm:
                    sys.exit(f"round trip through {form} lost data")

        # Targets: septcvt's time over iconv's, or over cat's on pure ASCII text.
        to_utf8, from_utf8 = [iconv, "-f", "latin1", "-t", "utf-8"], [iconv, "-f", "utf-8", "-t", "latin1"]
        # And, with the AVX-512 kernels, septcvt's time over cat's.
        cases = [
            ("GSM -> UTF-8", [tool], "gsm", to_utf8, "latin1", "iconv", 0.3, 2.5),
            ("GSM -> UCS-2", [tool, "-u"], "gsm", to_utf8, "latin1", "iconv", 0.3, 2.5),
            ("UTF-8 -> GSM", [tool, "-r"], "utf8", from_utf8, "latin1.utf8", "iconv", 0.4, 3.0),
            ("UCS-2 -> GSM", [tool, "-r", "-u"], "ucs2", from_utf8, "latin1.utf8", "iconv", 0.3, 2.5),
            ("ASCII -> UTF-8", [tool], "ascii", to_utf8, "ascii", "cat", 2.5, 1.2),
        ]
        # cat on septcvt's own input: the cost of moving the bytes at all.
        cat = shutil.which("cat")
        base = os.path.abspath(args.baseline) if args.baseline else None
        times = {c[0]: ([], [], [], []) for c in cases}
        for r in range(args.rounds):
            for name, ours, src, peer, peer_src, *_ in cases:
                trio = [(0, ours, src), (1, peer, peer_src), (2, [cat], src)]
                if base:
                    trio.append((3, [base] + ours[1:], src))
                for side, cmd, s in trio if r % 2 == 0 else reversed(trio):
                    times[name][side].append(run(cmd, path(s)))

        mb = len(gsm) / 1e6
        print(f"kernel: {kernel_of(tool)}")
        print(f"input: {mb:.0f} MB of GSM text (SMS-like; ASCII: letters, digits and spaces only), "
              f"{args.rounds} interleaved rounds, MB/s of GSM text (median)")
        if base:
            print(f"baseline: {base}")
        print(f"{'direction':<14} {'septcvt':>9} {'iconv':>9} {'cat':>9} {'time/iconv':>11} {'time/cat':>9}"
              + (f" {'time/base':>10}" if base else "") + "  (target)")
        medians = {}
        kernel = kernel_of(tool)
        for name, ours, src, *_, against, target, cat_target in cases:
            ours, peer, copy = medians[name] = [statistics.median(t) for t in times[name][:3]]
            versus = f" {ours / statistics.median(times[name][3]):>10.2f}" if base else ""
            # On pure ASCII the goal of 1.2 is the AVX-512 kernels'; others have 2.5.
            goal = cat_target if against != "cat" or kernel == "avx512" else target
            print(f"{name:<14} {mb / ours:>9.0f} {mb / peer:>9.0f} {mb / copy:>9.0f} "
                  f"{ours / peer:>11.2f} {ours / copy:>9.2f}{versus}  (time/{against} <= {target}"
                  + (f", time/cat <= {cat_target}" if against != "cat" else f"; {cat_target} with AVX-512")
                  + f"): time/cat {'met' if ours / copy <= goal else 'NOT met'}")
        print(f"UTF-8 -> GSM takes {medians['UTF-8 -> GSM'][0] / medians['GSM -> UTF-8'][0]:.2f} times "
              f"as long as GSM -> UTF-8 (target <= 1.6)")
        run([tool], path("small"), path("small.utf8"))
        run([tool, "-u"], path("small"), path("small.ucs2"))
        print(f"\npeak RSS of septcvt in KiB, 1 MB and {mb:.0f} MB of input (target <= 3072 at any size):")
        for name, ours, src, *_ in cases[:4]:
            small_src = path("small" if src == "gsm" else "small." + src)
            small_rss, rss = peak_rss_kib(timer, ours, small_src), peak_rss_kib(timer, ours, path(src))
            print(f"{name:<14} {small_rss:>9} {rss:>9}  {'met' if max(int(small_rss), int(rss)) <= 3072 else 'NOT met'}")
        beside_perl(tool, gsm[:int(args.perl_kb * 1000)], args.rounds, tmp)

    # The national language tables, which the program cannot choose: timed
    # in memory through the library by a driver of their own.
    print()
    if not os.access(args.pairs, os.X_OK):
        print(f"{args.pairs} not found: the national language tables are not measured")
    else:
        sys.stdout.flush()
        status = subprocess.run([args.pairs, "--mb", str(args.mb), "--rounds", str(args.rounds)]).returncode
        if status != 0:
            sys.exit(f"{args.pairs} failed with status {status}")

    # The planner of SMS parts, which the program does not have either,
    # beside the npm calculators.
    print()
    planner_section(args, args.rounds)


def kernel_of(tool):
    """The kernel set the program runs, as the kernel check of the same
    build names it (SEPTCVT_KERNELS heeded)."""
    check = os.path.join(os.path.dirname(tool), "tests", "kernel_check")
    if not os.access(check, os.X_OK):
        return "unknown (no tests/kernel_check in the build)"
    lines = subprocess.run([check, "--kernels"], capture_output=True, text=True).stdout.splitlines()
    chosen = [line.split()[1] for line in lines if line.startswith("chosen:")]
    return chosen[0] if chosen else "unknown"


def beside_perl(tool, gsm, rounds, tmp):
    """septcvt and Perl's Encode on the same small GSM text, both ways
    through UTF-8: median milliseconds, and septcvt's time over Perl's."""
    perl = shutil.which("perl")
    script = 'print encode("UTF-8", decode("gsm0338", $_))'
    if not perl or subprocess.run([perl, "-MEncode", "-e", 'decode("gsm0338", "a")'],
                                  capture_output=True).returncode != 0:
        print("\nperl with Encode's gsm0338 not found: not run")
        return
    # Whole characters only: a cut escape would make the texts differ.
    gsm = gsm[:-1] if gsm.endswith(b"\x1b") else gsm
    src, utf8 = os.path.join(tmp, "perl.gsm"), os.path.join(tmp, "perl.utf8")
    with open(src, "wb") as f:
        f.write(gsm)
    run([tool], src, utf8)
    cases = [("GSM -> UTF-8", [tool], [perl, "-MEncode", "-0777", "-ne", script], src),
             ("UTF-8 -> GSM", [tool, "-r"],
              [perl, "-MEncode", "-0777", "-ne", 'print encode("gsm0338", decode("UTF-8", $_))'], utf8)]
    print(f"\nbeside Perl's Encode (gsm0338) on {len(gsm) / 1000:.0f} KB of the same text, "
          f"{rounds} rounds, milliseconds (median):")
    print(f"{'direction':<14} {'septcvt':>9} {'perl':>9} {'time/perl':>10}")
    for name, ours, theirs, s in cases:
        t = ([], [])
        for r in range(rounds):
            for side, cmd in ((0, ours), (1, theirs)) if r % 2 == 0 else ((1, theirs), (0, ours)):
                t[side].append(run(cmd, s))
        a, b = statistics.median(t[0]), statistics.median(t[1])
        print(f"{name:<14} {a * 1e3:>9.1f} {b * 1e3:>9.1f} {a / b:>10.3f}")


if __name__ == "__main__":
    main()
