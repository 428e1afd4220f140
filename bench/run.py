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
reverse conversion grows with the square of the input. Never fails on
timing.
"""
import argparse
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


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--septcvt", default="build/septcvt")
    ap.add_argument("--mb", type=float, default=100, help="size of the GSM input in MB")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--baseline", help="another septcvt binary to run beside it")
    ap.add_argument("--perl-kb", type=float, default=20, help="size of Perl's input in KB")
    args = ap.parse_args()
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
        for name, ours, src, *_, against, target, cat_target in cases:
            ours, peer, copy = medians[name] = [statistics.median(t) for t in times[name][:3]]
            versus = f" {ours / statistics.median(times[name][3]):>10.2f}" if base else ""
            print(f"{name:<14} {mb / ours:>9.0f} {mb / peer:>9.0f} {mb / copy:>9.0f} "
                  f"{ours / peer:>11.2f} {ours / copy:>9.2f}{versus}  (time/{against} <= {target}"
                  + (f", time/cat <= {cat_target}" if against != "cat" else f"; {cat_target} with AVX-512") + ")")
        print(f"UTF-8 -> GSM takes {medians['UTF-8 -> GSM'][0] / medians['GSM -> UTF-8'][0]:.2f} times "
              f"as long as GSM -> UTF-8 (target <= 1.6)")
        run([tool], path("small"), path("small.utf8"))
        run([tool, "-u"], path("small"), path("small.ucs2"))
        print(f"\npeak RSS of septcvt in KiB, 1 MB and {mb:.0f} MB of input:")
        for name, ours, src, *_ in cases[:4]:
            small_src = path("small" if src == "gsm" else "small." + src)
            print(f"{name:<14} {peak_rss_kib(timer, ours, small_src):>9} {peak_rss_kib(timer, ours, path(src)):>9}")
        beside_perl(tool, gsm[:int(args.perl_kb * 1000)], args.rounds, tmp)


def kernel_of(tool):
    """The kernel set the program runs: the first that the kernel check of
    the same build lists."""
    check = os.path.join(os.path.dirname(tool), "tests", "kernel_check")
    if not os.access(check, os.X_OK):
        return "unknown (no tests/kernel_check in the build)"
    line = subprocess.run([check, "--kernels"], capture_output=True, text=True).stdout.split("\n")[0]
    return line.split()[1] if line.startswith("kernels:") else "unknown"


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
