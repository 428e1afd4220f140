#!/usr/bin/env python3
# Runs the mutants of tests/mutants.txt: each fault applied alone to a clean
# clone of HEAD, the tree rebuilt and ctest run; a mutant is killed when the
# tests fail or time out (in the Node package, bindings/node, its own tests
# judge), once the tests pass without one. Prints a line a mutant and the
# totals, and exits 1 when a mutant survives that is not marked equivalent
# or benign (nor "AVX2 only" on a processor without AVX2, nor "AVX2 without
# AVX-512 only" on one with AVX-512), or when one no longer builds.
#
#     python3 tests/mutate.py [ID ...]
import os
import shutil
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


# The Node package's mutants are judged by its own tests: npm installs it in
# the clone once (its addon built by cmake-js), and each mutant rebuilds the
# addon alone. Returns (built, killed).
def node_package(work):
    node = os.path.join(work, "bindings", "node")
    quiet = dict(cwd=node, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.isdir(os.path.join(node, "node_modules")):
        subprocess.run(["npm", "ci", "--prefer-offline", "--no-audit", "--no-fund", "--ignore-scripts"], check=True, **quiet)
        subprocess.run(["npx", "cmake-js", "configure"], check=True, **quiet)
    if subprocess.run(["cmake", "--build", "build", "-j2"], **quiet).returncode != 0:
        return False, False
    try:
        return True, subprocess.run("node --test test/*.test.js", shell=True, timeout=300, **quiet).returncode != 0
    except subprocess.TimeoutExpired:
        return True, True  # a hang fails


def main():
    repo, work = os.path.dirname(os.path.dirname(os.path.abspath(__file__))), tempfile.mkdtemp(prefix="septcvt-mutants-")
    run = lambda *args, **kw: subprocess.run(args, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
    subprocess.run(["git", "clone", "-q", repo, work], check=True)
    run("cmake", "-S", ".", "-B", "b", "-DCMAKE_BUILD_TYPE=Release", "-DSEPTCVT_EMULATE_AVX512=ON", check=True)
    cpu = open("/proc/cpuinfo").read()
    avx2, avx512, failed, mutants = "avx2" in cpu, "avx512_vbmi2" in cpu, 0, records(os.path.join(repo, "tests", "mutants.txt"))
    mutants = [m for m in mutants if m["id"] in sys.argv[1:] or len(sys.argv) == 1]
    # Without a mutant the tests pass, or no failure could count as a kill.
    if run("cmake", "--build", "b", "-j2").returncode != 0 or run("ctest", "--test-dir", "b", "--timeout", "60").returncode != 0:
        sys.exit(f"the tests fail on HEAD without a mutant (in {work})")
    if any(m["file"].startswith("bindings/node/") for m in mutants) and node_package(work) != (True, False):
        sys.exit(f"the Node package's tests fail on HEAD without a mutant (in {work})")
    for m in mutants:
        path, old = os.path.join(work, m["file"]), "\n".join(m["old"])
        text = open(path, encoding="utf-8").read()
        if text.count(old) != 1:
            sys.exit(f"{m['id']}: its old text stands {text.count(old)} times in {m['file']} (in {work})")
        open(path, "w", encoding="utf-8").write(text.replace(old, "\n".join(m["new"])))
        if m["file"].startswith("bindings/node/"):
            built, killed = node_package(work)
        else:
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
    shutil.rmtree(work)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
