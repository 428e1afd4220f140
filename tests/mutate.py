#!/usr/bin/env python3
"""Runs the mutants of tests/mutants.txt: each fault applied alone to a clean
clone of HEAD, the tree rebuilt and ctest run; a mutant is killed when the
build's tests fail or time out. Prints a line a mutant and the totals, and
exits 1 when a mutant that is not marked equivalent or benign survives.

    python3 tests/mutate.py [--only ID,ID...] [--timeout SECONDS]
"""
import argparse
import os
import subprocess
import sys
import tempfile


def records(path):
    """The list's records, each a dict of its keys; old and new as text."""
    out, rec = [], None
    for line in open(path, encoding="utf-8").read().split("\n"):
        if line.startswith("#") or not line.strip():
            continue
        key, _, value = line.partition(":")
        value = value[1:] if value.startswith(" ") else value
        if key == "id":
            rec = {"id": value, "old": [], "new": []}
            out.append(rec)
        elif key in ("old", "new"):
            rec[key].append(value)
        else:
            rec[key] = value
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--only", help="comma-separated ids")
    ap.add_argument("--timeout", type=int, default=300)
    args = ap.parse_args()
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    mutants = records(os.path.join(repo, "tests", "mutants.txt"))
    if args.only:
        mutants = [m for m in mutants if m["id"] in args.only.split(",")]
    work = tempfile.mkdtemp(prefix="septcvt-mutants-")
    quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    subprocess.run(["git", "clone", "-q", repo, work], check=True)
    build = ["cmake", "--build", "b", "-j2"]
    subprocess.run(["cmake", "-S", ".", "-B", "b", "-DCMAKE_BUILD_TYPE=Release"], cwd=work, check=True, **quiet)
    subprocess.run(build, cwd=work, check=True, **quiet)
    avx2 = "avx2" in open("/proc/cpuinfo").read()
    survivors = stale = 0
    for m in mutants:
        path = os.path.join(work, m["file"])
        text = open(path, encoding="utf-8").read()
        old, new = "\n".join(m["old"]) + "\n", "\n".join(m["new"]) + "\n" if m["new"] else ""
        if text.count(old) != 1:
            sys.exit(f"{m['id']}: its old text stands {text.count(old)} times in {m['file']}")
        open(path, "w", encoding="utf-8").write(text.replace(old, new))
        built = subprocess.run(build, cwd=work, **quiet).returncode == 0
        try:
            killed = built and subprocess.run(["ctest", "--test-dir", "b"], cwd=work, timeout=args.timeout,
                                              **quiet).returncode != 0
        except subprocess.TimeoutExpired:
            killed = True
        open(path, "w", encoding="utf-8").write(text)
        scored = not ("equivalent" in m or "benign" in m or m.get("what", "").startswith("AVX2 only") and not avx2)
        survivors += scored and built and not killed
        stale += not built
        verdict = "did not build" if not built else "killed" if killed else "survived"
        print(f"{m['id']:<28} {verdict}{'' if scored else ' (not scored)'}", flush=True)
    print(f"{len(mutants)} mutants: {survivors} scored survivors, {stale} that did not build")
    return 1 if survivors or stale else 0


if __name__ == "__main__":
    sys.exit(main())
