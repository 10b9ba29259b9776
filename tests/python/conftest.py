"""Shared fixtures of the Python module's tests: the command-line tools, phantoms written by
stravol-phantom, and a reader of the binary PLY files the tools write."""

import json
import os
import pathlib
import subprocess

import numpy as np
import pytest

import stravol

TOOLS = pathlib.Path(os.environ.get("STRAVOL_TOOLS_DIR", pathlib.Path(__file__).parents[2] / "build" / "tools"))
LABELS = (80, 120, 160, 200, 240)


def tool(name, *args):
    """Runs a command-line tool; its JSON summary when it prints one."""
    done = subprocess.run([str(TOOLS / name), *map(str, args)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout) if done.stdout.strip().startswith("{") else None


def read_ply(path):
    """Vertices (N, 3), normals (N, 3) and faces (M, 3) of a binary little-endian PLY file."""
    data = pathlib.Path(path).read_bytes()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    header = data[:end].decode().splitlines()
    counts = {line.split()[1]: int(line.split()[2]) for line in header if line.startswith("element")}
    n, m = counts["vertex"], counts["face"]
    vertices = np.frombuffer(data, dtype="<f4", count=6 * n, offset=end).reshape(n, 6)
    faces = np.frombuffer(data, dtype=np.dtype([("n", "u1"), ("i", "<i4", 3)]), count=m, offset=end + 24 * n)
    assert (faces["n"] == 3).all()
    return vertices[:, :3], vertices[:, 3:], faces["i"]


@pytest.fixture(scope="session")
def nibabel():
    """nibabel where installed; the tests that need it are skipped elsewhere."""
    return pytest.importorskip("nibabel")


@pytest.fixture(scope="session")
def phantom(tmp_path_factory):
    """A parent folder of 48 x 40 x 24 slices and its label slices."""
    folder = tmp_path_factory.mktemp("phantom") / "small"
    tool("stravol-phantom", folder, "--size", 48, 40, 24)
    return folder


@pytest.fixture(scope="session")
def volume(phantom):
    return stravol.read(phantom)


@pytest.fixture(scope="session")
def labels(volume):
    """The phantom's label map, uint8 (X, Y, Z)."""
    return np.array(volume.segmentations[-1])
