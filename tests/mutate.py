#!/usr/bin/env python3
# Runs the mutants of tests/mutants.txt: each fault applied alone to a clean
# clone of HEAD, the tree rebuilt and ctest run; a mutant is killed when the
# tests fail or time out. Prints a line a mutant and the totals, and exits 1
# when a mutant survives that is not marked equivalent or benign (nor
# "AVX2 only" on a processor without AVX2, nor "AVX2 without AVX-512 only"
# on one with AVX-512), or when one no longer builds.
#
#     python3 tests/mutate.py [ID ...]
import os
import subprocess
import sys
import tempfile


# The list's records: a dict of keys each, old and new as lists of lines
# ("new:" alone deletes).
def records(path):
    out = []
    for line in open(path, encoding="utf-8").read().splitlines():
        if line.startswith("#") or not line.strip():
            continue
        key, _, value = line.partition(":")
        if key == "id":
            out.append({"id": value[1:], "old": [], "new": []})
        elif key in ("old", "new"):
            out[-1][key] += [value[1:]] if value or key == "old" else []
        else:
            out[-1][key] = value[1:]
    return out


def main():
    repo, work = os.path.dirname(os.path.dirname(os.path.abspath(__file__))), tempfile.mkdtemp(prefix="septcvt-mutants-")
    run = lambda *args, **kw: subprocess.run(args, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
    subprocess.run(["git", "clone", "-q", repo, work], check=True)
    run("cmake", "-S", ".", "-B", "b", "-DCMAKE_BUILD_TYPE=Release", "-DSEPTCVT_EMULATE_AVX512=ON", check=True)
    cpu = open("/proc/cpuinfo").read()
    avx2, avx512, failed, mutants = "avx2" in cpu, "avx512_vbmi2" in cpu, 0, records(os.path.join(repo, "tests", "mutants.txt"))
    mutants = [m for m in mutants if m["id"] in sys.argv[1:] or len(sys.argv) == 1]
    for m in mutants:
        path, old = os.path.join(work, m["file"]), "\n".join(m["old"])
        text = open(path, encoding="utf-8").read()
        if text.count(old) != 1:
            sys.exit(f"{m['id']}: its old text stands {text.count(old)} times in {m['file']}")
        open(path, "w", encoding="utf-8").write(text.replace(old, "\n".join(m["new"])))
        built = run("cmake", "--build", "b", "-j2").returncode == 0
        killed = built and run("ctest", "--test-dir", "b", "--timeout", "60").returncode != 0  # a hang fails
        open(path, "w", encoding="utf-8").write(text)
        what = m.get("what", "")
        scored = not ("equivalent" in m or "benign" in m or what.startswith("AVX2 only") and not avx2 or
                      what.startswith("AVX2 without AVX-512 only") and (not avx2 or avx512))
        failed += not built or scored and not killed
        print(f"{m['id']:<28} {'killed' if killed else 'survived' if built else 'did not build'}"
              f"{'' if scored else ' (not scored)'}", flush=True)
    print(f"{len(mutants)} mutants: {failed} scored survivors or records that did not build")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
