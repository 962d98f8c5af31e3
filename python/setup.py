# Builds the qelfin package: the module (libqelfin.so) and the embeddable
# host library with CMake from the repository's sources, then the pybind11
# extension linked against the static host library; libqelfin.so travels in
# the package beside the extension, which loads it by that path.  The
# project's metadata is in pyproject.toml.
#
#   /usr/bin/python3 -m venv --system-site-packages .venv
#   .venv/bin/pip install --no-build-isolation --no-index ./python
#
# Warnings are errors only where QELFIN_WERROR=1 (the project's own test
# run); a user's compiler may warn where ours does not.
import os
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
CMAKE_BUILD = HERE / "build" / "cmake"


def _missing(what, how):
    sys.exit(f"qelfin's build needs {what}, which is missing: {how}")


try:
    import pybind11
except ImportError:
    _missing("pybind11", "install python3-pybind11 (Debian) or pip install pybind11")
for _tool, _package in (("cmake", "cmake"), ("ninja", "ninja-build")):
    if shutil.which(_tool) is None:
        _missing(_tool, f"install {_package} (Debian) or pip install {_tool}")
if not (ROOT / "src").is_dir():
    _missing("the repository's sources beside python/", "build from a checkout of the whole repository")

WERROR = ["-Werror"] if os.environ.get("QELFIN_WERROR") == "1" else []


class BuildWithModule(build_ext):
    """Builds libqelfin.so and qelfin_host with CMake before the extension."""

    def run(self):
        CMAKE_BUILD.mkdir(parents=True, exist_ok=True)
        subprocess.run(
            ["cmake", "-S", str(ROOT), "-B", str(CMAKE_BUILD), "-G", "Ninja",
             "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DQELFIN_TESTS=OFF", "-DQELFIN_BENCHMARKS=OFF", "-DQELFIN_POSTGRES=OFF",
             f"-DQELFIN_WERROR={'ON' if WERROR else 'OFF'}"],
            check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", str(CMAKE_BUILD), "-j", os.environ.get("QELFIN_JOBS", "2"),
                        "--target", "qelfin", "qelfin_host"], check=True)
        # Always rebuilt: setuptools compares the times of the extension's own
        # sources only, so a changed host library or header would leave a
        # stale extension in python/build.
        self.force = True
        super().run()
        package = HERE / "qelfin" if self.inplace else Path(self.build_lib) / "qelfin"
        package.mkdir(parents=True, exist_ok=True)
        shutil.copy2(CMAKE_BUILD / "libqelfin.so", package / "libqelfin.so")


extension = Extension(
    "qelfin._qelfin",
    sources=["src/extension.cpp", "src/column_call.cpp", "src/schedules.cpp"],
    include_dirs=[str(ROOT), str(ROOT / "include")],
    extra_compile_args=["-std=c++20", "-O2", "-ffp-contract=off", "-fvisibility=hidden",
                        "-Wall", "-Wextra", "-Wshadow", *WERROR, "-isystem", pybind11.get_include()],
    extra_objects=[str(CMAKE_BUILD / "host" / "libqelfin_host.a")],
    libraries=["dl"],
    language="c++",
)

setup(ext_modules=[extension], cmdclass={"build_ext": BuildWithModule})
