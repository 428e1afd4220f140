"""Builds the septcvt package from a checkout of the project: the library's
static archive with CMake, from the project's own CMakeLists (so the
national tables come from the one generator the project has), then the
extension against it and utf8proc's static archive, in CPython's stable ABI.

    python3 -m venv --system-site-packages .venv
    .venv/bin/pip install --no-build-isolation ./bindings/python

The package builds from the checkout it lies in, not from an sdist alone:
the library's sources are two folders up."""
import os
import re
import subprocess

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def project_version():
    """The library's version, which the package shares."""
    try:
        with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
            return re.search(r"project\(septcvt VERSION ([0-9.]+)", f.read()).group(1)
    except (OSError, AttributeError):
        raise SystemExit(f"septcvt: no septcvt checkout around {HERE}: the package builds from the project's tree "
                         "(bindings/python in it), not on its own")


def cache_entry(cache, name):
    with open(cache, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            if key.split(":")[0] == name:
                return value
    return ""


class build_library_first(build_ext):
    """The library's static archive, built with CMake in the build's
    temporary folder, linked into the extension with utf8proc's. A build of
    the project's own lends its archive instead where SEPTCVT_BUILD_DIR
    names it, as the project's tests do."""

    def run(self):
        build = os.environ.get("SEPTCVT_BUILD_DIR")
        if not build:
            build = os.path.join(os.path.abspath(self.build_temp), "cmake")
            subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
                            "-DSEPTCVT_PLANNER=ON"], check=True)
            jobs = [] if "CMAKE_BUILD_PARALLEL_LEVEL" in os.environ else ["-j2"]
            subprocess.run(["cmake", "--build", build, "--target", "septcvt_static"] + jobs, check=True)
        # CMake found utf8proc's shared library; its static archive lies beside it.
        shared = cache_entry(os.path.join(build, "CMakeCache.txt"), "UTF8PROC_LIBRARY")
        utf8proc = os.path.join(os.path.dirname(shared), "libutf8proc.a")
        if not os.path.isfile(utf8proc):
            raise SystemExit(f"septcvt: utf8proc's static archive is not at {utf8proc} (Debian: libutf8proc-dev)")
        archives = [os.path.join(build, "library", "libseptcvt.a"), utf8proc]
        for ext in self.extensions:
            ext.include_dirs += [os.path.join(ROOT, "library", "include"), os.path.join(build, "library", "include")]
            ext.extra_objects += archives
            ext.depends += archives  # a rebuilt library relinks the extension
        super().run()


setup(
    name="septcvt",
    version=project_version(),
    description="GSM 03.38 text and SMS parts: codecs, the planner of parts and the reader of received ones",
    license="MIT",
    python_requires=">=3.8",
    packages=["septcvt"],
    package_data={"septcvt": ["py.typed"]},
    ext_modules=[Extension(
        "septcvt._septcvt",
        sources=["src/_septcvt.c"],
        define_macros=[("Py_LIMITED_API", "0x03080000")],
        py_limited_api=True,
        extra_compile_args=["-std=c99", "-fvisibility=hidden", "-Wall", "-Wextra"],
        # The library and utf8proc stay inside: no symbol of theirs is
        # exported, so no other copy loaded in the process can meet them.
        extra_link_args=["-Wl,--exclude-libs,ALL"],
    )],
    cmdclass={"build_ext": build_library_first},
    options={"bdist_wheel": {"py_limited_api": "cp38"}},
    zip_safe=False,
)
