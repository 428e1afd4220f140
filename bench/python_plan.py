#!/usr/bin/env python3
"""Time of the septcvt package's plan() per text, in memory, as
bench/planner.cpp times the library's: each text read from a file once,
then planned over and over (plan() makes the user data of every part), the
texts interleaved round after round, every other round in reverse order.
Prints, per text, the median microseconds of one plan, its status, parts
and encoding, tab-separated in the columns of the C driver, for
bench/run.py. Fails when the package cannot be imported or a plan goes
wrong, never on timing.

    python_plan.py [--rounds N] [--all-languages] FILE...
"""
import argparse
import os
import statistics
import time

import septcvt


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--all-languages", action="store_true", help="allow both tables of all 13 languages")
    ap.add_argument("files", nargs="+")
    args = ap.parse_args()
    languages = tuple(septcvt.LANGUAGES) if args.all_languages else ()
    texts = []
    for path in args.files:
        with open(path, "rb") as f:
            texts.append((os.path.basename(path), f.read().decode("utf-8")))

    def plan_once(text):
        try:
            septcvt.plan(text, languages=languages)
        except septcvt.TooManyPartsError:
            pass

    def outcome(text):
        try:
            p = septcvt.plan(text, languages=languages)
            return "SEPTCVT_OK", len(p.parts), "UCS-2" if p.encoding == "UCS-2" else f"7-bit({p.locking},{p.single})"
        except septcvt.TooManyPartsError as e:
            return "SEPTCVT_TOO_MANY_PARTS", e.parts, ""

    # Each text planned for 10 ms, to learn how often to plan it in a
    # round so that a round of it takes a few milliseconds.
    outcomes, reps = [], []
    for _, text in texts:
        outcomes.append(outcome(text))
        start, calls = time.perf_counter(), 0
        while time.perf_counter() - start < 10e-3:
            plan_once(text)
            calls += 1
        reps.append(max(1, int(2e-3 * calls / (time.perf_counter() - start))))
    seconds = [[] for _ in texts]
    for r in range(args.rounds):
        for n in range(len(texts)):
            i = n if r % 2 == 0 else len(texts) - 1 - n
            start = time.perf_counter()
            for _ in range(reps[i]):
                plan_once(texts[i][1])
            seconds[i].append((time.perf_counter() - start) / reps[i])
    for (name, text), (status, parts, encoding), s in zip(texts, outcomes, seconds):
        print(f"{name}\t{len(text.encode())}\t{statistics.median(s) * 1e6:.3f}\t{status}\t{parts}\t{encoding}")


if __name__ == "__main__":
    main()
