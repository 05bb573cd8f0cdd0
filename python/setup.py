"""Builds the chimekit package with its two libraries inside.

Building the package (pip install ./python, or a wheel) runs CMake on the
chimekit project, builds the chimekit and Reshaper shared libraries alone
(Release, without the tests and benchmarks) in a temporary folder and puts
them into the package folder, where the package looks for them after
CHIMEKIT_LIBRARY_DIR. The wheel is therefore for one platform; it works with
any Python 3, as the libraries are loaded with ctypes.

The project's sources are looked for in the folder named by
CHIMEKIT_SOURCE_DIR, then in the sdist's own copy (_project/, which an sdist
made here carries), then in the folder above this one (a clone of the
repository). CHIMEKIT_SKIP_LIBRARY_BUILD=1 builds the package without the
libraries, for those who bring their own (CHIMEKIT_LIBRARY_DIR, the system's
library path). CMAKE names the cmake program (default: cmake from PATH).
"""
import os
import shutil
import subprocess
import sys
import tempfile

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.command.sdist import sdist
from setuptools.dist import Distribution

try:
    from setuptools.command.bdist_wheel import bdist_wheel
except ImportError:
    try:  # setuptools before 70.1: the wheel package's command
        from wheel.bdist_wheel import bdist_wheel
    except ImportError:  # no wheels to make here (an sdist, say)
        bdist_wheel = None

HERE = os.path.dirname(os.path.abspath(__file__))
LIBRARIES = ("chimekit", "Reshaper", "chimekit_jobs")
EMBEDDED_PROJECT = "_project"
# What the libraries' build needs of the project (the Windows build also
# configures the host check of tests/windows).
PROJECT_PARTS = ("CMakeLists.txt", "VERSION", "LICENSE", "cmake", "include", "src", "cli", "tools/make_tool_docs.py",
                 "tests/windows")


def bundles_libraries():
    return os.environ.get("CHIMEKIT_SKIP_LIBRARY_BUILD") != "1"


def is_project(folder):
    try:
        with open(os.path.join(folder, "CMakeLists.txt"), encoding="utf-8") as file:
            return "project(chimekit " in file.read() and os.path.isfile(os.path.join(folder, "include", "chimekit.h"))
    except OSError:
        return False


def find_project():
    named = os.environ.get("CHIMEKIT_SOURCE_DIR")
    candidates = [named] if named else []
    candidates += [os.path.join(HERE, EMBEDDED_PROJECT), os.path.dirname(HERE)]
    for folder in candidates:
        if is_project(folder):
            return os.path.abspath(folder)
    raise SystemExit(
        "chimekit: the C++ project was not found in "
        + ", ".join(candidates)
        + ".\nBuild from a clone of the repository (pip install ./python), set CHIMEKIT_SOURCE_DIR to it,"
        + "\nor set CHIMEKIT_SKIP_LIBRARY_BUILD=1 to build the package without its libraries."
    )


def project_version():
    """The version of the whole project: its VERSION file."""
    with open(os.path.join(find_project(), "VERSION"), encoding="utf-8") as file:
        return file.read().strip()


def write_version_module(package_folder):
    """chimekit/_version.py of the built package: the version it carries."""
    with open(os.path.join(package_folder, "_version.py"), "w", encoding="utf-8") as file:
        file.write(f'"""Written by the package\'s build."""\n__version__ = "{project_version()}"\n')


def library_file(build_folder, name):
    """The built library: lib/libNAME.so (lib/libNAME.dylib), or bin/NAME.dll."""
    if sys.platform == "win32":
        return os.path.join(build_folder, "bin", f"{name}.dll")
    suffix = "dylib" if sys.platform == "darwin" else "so"
    return os.path.join(build_folder, "lib", f"lib{name}.{suffix}")


def build_libraries(project, destination):
    cmake = os.environ.get("CMAKE", "cmake")
    with tempfile.TemporaryDirectory(prefix="chimekit-libraries-") as build:
        configure = [cmake, "-S", project, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                     "-DCHIMEKIT_TESTS=OFF", "-DCHIMEKIT_BENCH=OFF"]
        if "CMAKE_GENERATOR" not in os.environ and shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        print("chimekit: building the libraries:", " ".join(configure), flush=True)
        subprocess.run(configure, check=True)
        subprocess.run([cmake, "--build", build, "--config", "Release", "--target", *LIBRARIES,
                        "--parallel", str(os.cpu_count() or 2)], check=True)
        os.makedirs(destination, exist_ok=True)
        for name in LIBRARIES:
            shutil.copy2(library_file(build, name), destination)


class BuildWithLibraries(build_py):
    """The Python modules, then the libraries built into the package."""

    def run(self):
        super().run()
        write_version_module(os.path.join(self.build_lib, "chimekit"))
        if not bundles_libraries():
            print("chimekit: CHIMEKIT_SKIP_LIBRARY_BUILD=1, the package is built without its libraries")
            return
        build_libraries(find_project(), os.path.join(self.build_lib, "chimekit"))


class SdistWithProject(sdist):
    """An sdist that carries the project's sources, so that it builds
    without a clone beside it."""

    def make_release_tree(self, base_dir, files):
        super().make_release_tree(base_dir, files)
        project = find_project()
        for part in PROJECT_PARTS:
            source = os.path.join(project, part)
            target = os.path.join(base_dir, EMBEDDED_PROJECT, part)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if os.path.isdir(source):
                shutil.copytree(source, target, ignore=shutil.ignore_patterns("__pycache__"))
            else:
                shutil.copy2(source, target)


commands = {"build_py": BuildWithLibraries, "sdist": SdistWithProject}
if bdist_wheel is not None:

    class PlatformWheel(bdist_wheel):
        """With the libraries, a wheel for this platform and any Python 3:
        the libraries are machine code, the package reaches them through
        ctypes."""

        def get_tag(self):
            tag = super().get_tag()
            return ("py3", "none", tag[2]) if bundles_libraries() else tag

    commands["bdist_wheel"] = PlatformWheel


class BinaryDistribution(Distribution):
    """A distribution with machine code when it carries the libraries: a
    wheel that is not pure, installed among the platform's modules."""

    def has_ext_modules(self):
        return bundles_libraries()


setup(version=project_version(), distclass=BinaryDistribution, cmdclass=commands)
