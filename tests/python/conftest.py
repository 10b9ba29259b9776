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


PLY_TYPES = {"float": "<f4", "uchar": "u1", "int": "<i4", "uint": "<u4"}


def read_ply(path):
    """Vertices (N, 3), normals (N, 3), faces (M, 3) and vertex colours ((N, 3), or None) of a
    binary little-endian PLY file of triangles."""
    data = pathlib.Path(path).read_bytes()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    elements = []
    for line in data[:end].decode().splitlines():
        words = line.split()
        if words[0] == "element":
            elements.append((words[1], int(words[2]), []))
        elif words[0] == "property" and words[1] == "list":
            elements[-1][2].append((words[4], "list"))
        elif words[0] == "property":
            elements[-1][2].append((words[2], PLY_TYPES[words[1]]))
    (_, n, vertex), (_, m, face) = elements
    vertices = np.frombuffer(data, dtype=np.dtype(vertex), count=n, offset=end)
    fields = [("n", "u1"), ("i", "<i4", 3)] + [(name, kind) for name, kind in face if kind != "list"]
    faces = np.frombuffer(data, dtype=np.dtype(fields), count=m, offset=end + vertices.nbytes)
    assert (faces["n"] == 3).all()
    xyz = lambda *names: np.stack([vertices[k] for k in names], axis=1)
    colours = xyz("red", "green", "blue") if "red" in vertices.dtype.names else None
    return xyz("x", "y", "z"), xyz("nx", "ny", "nz"), faces["i"], colours


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
