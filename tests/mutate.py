#!/usr/bin/env python3
"""Runs the mutants of tests/mutants.txt: each fault applied alone to a clean
clone of HEAD, the tree rebuilt and ctest run; a mutant is killed when the
tests fail or time out. Prints a line a mutant and the totals, and exits 1
when a mutant survives that is not marked equivalent or benign (nor
"AVX2 only" on a processor without AVX2), or when one no longer builds.

    python3 tests/mutate.py [ID ...]
"""
import os
import subprocess
import sys
import tempfile


def records(path):
    """The list's records: a dict of keys each, old and new as lists of lines."""
    out = []
    for line in open(path, encoding="utf-8").read().split("\n"):
        if line.startswith("#") or not line.strip():
            continue
        key, _, value = line.partition(":")
        value = value[1:] if value.startswith(" ") else value
        if key == "id":
            out.append({"id": value, "old": [], "new": []})
        elif key in ("old", "new"):
            out[-1][key] += [value] if value or key == "old" else []  # "new:" alone deletes
        else:
            out[-1][key] = value
    return out


def main():
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    mutants = [m for m in records(os.path.join(repo, "tests", "mutants.txt")) if m["id"] in sys.argv[1:] or len(sys.argv) == 1]
    work, quiet = tempfile.mkdtemp(prefix="septcvt-mutants-"), {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    build = ["cmake", "--build", "b", "-j2"]
    subprocess.run(["git", "clone", "-q", repo, work], check=True)
    subprocess.run(["cmake", "-S", ".", "-B", "b", "-DCMAKE_BUILD_TYPE=Release"], cwd=work, check=True, **quiet)
    subprocess.run(build, cwd=work, check=True, **quiet)
    avx2, failed = "avx2" in open("/proc/cpuinfo").read(), 0
    for m in mutants:
        path = os.path.join(work, m["file"])
        text, old = open(path, encoding="utf-8").read(), "\n".join(m["old"]) + "\n"
        if text.count(old) != 1:
            sys.exit(f"{m['id']}: its old text stands {text.count(old)} times in {m['file']}")
        open(path, "w", encoding="utf-8").write(text.replace(old, "".join(line + "\n" for line in m["new"])))
        built = subprocess.run(build, cwd=work, **quiet).returncode == 0
        try:
            killed = built and subprocess.run(["ctest", "--test-dir", "b"], cwd=work, timeout=300, **quiet).returncode != 0
        except subprocess.TimeoutExpired:
            killed = True
        open(path, "w", encoding="utf-8").write(text)
        scored = not ("equivalent" in m or "benign" in m or m.get("what", "").startswith("AVX2 only") and not avx2)
        failed += not built or scored and not killed
        print(f"{m['id']:<28} {'killed' if killed else 'survived' if built else 'did not build'}"
              f"{'' if scored else ' (not scored)'}", flush=True)
    print(f"{len(mutants)} mutants: {failed} scored survivors or records that did not build")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
