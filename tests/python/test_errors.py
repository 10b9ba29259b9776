"""Bad arguments raise ValueError, files OSError: never a crash, never a word on stderr."""

import os
import subprocess
import sys

import numpy as np
import pytest

import stravol


@pytest.fixture
def small():
    a = np.zeros((12, 10, 8), np.uint8)
    a[3:8, 3:7, 2:6] = 5
    return a


@pytest.mark.parametrize(
    "array",
    [
        np.zeros((4, 4), np.uint8),
        np.zeros((4, 4, 4, 2), np.uint8),
        np.zeros((0, 4, 4), np.uint8),
        np.zeros((4, 4, 4), np.complex64),
        np.zeros((4, 4, 4), np.float16),
        np.zeros((4, 4, 4), object),
        "not an array",
    ],
)
def test_arrays_that_are_refused(array):
    with pytest.raises(ValueError):
        stravol.extract(array, label=0)
    with pytest.raises(ValueError):
        stravol.extract_all(array)


@pytest.mark.parametrize(
    "arguments",
    [
        {},
        {"label": 5, "seed": (4, 4, 3)},
        {"label": 6},
        {"label": "five"},
        {"label": True},
        {"seed": (12, 0, 0)},
        {"seed": (-1, 4, 3)},
        {"seed": (4, 4)},
        {"seed": (4.0, 4, 3)},
        {"seed": "abc"},
        {"seed": (2**40, 0, 0)},
        {"label": 5, "method": "marching cubes"},
        {"label": 5, "method": "nets", "smoothing": "taubin"},
        {"label": 5, "method": "nets", "decimate": 0.5},
        {"label": 5, "smoothing": "laplace"},
        {"label": 5, "rounds": -1},
        {"label": 5, "rounds": 2.5},
        {"label": 5, "tolerance": -1},
        {"label": 5, "tolerance": float("nan")},
        {"label": 5, "decimate": 0},
        {"label": 5, "decimate": 1.5},
        {"label": 5, "space": "LPR"},
        {"label": 5, "affine": np.eye(3)},
        {"label": 5, "affine": np.zeros((4, 4))},
        {"label": 5, "affine": [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [0, 0, 1, 1]]},
        {"label": 5, "affine": np.diag([1, np.inf, 1, 1])},
    ],
)
def test_arguments_that_are_refused(small, arguments, capfd):
    with pytest.raises(ValueError):
        stravol.extract(small, **arguments)
    assert capfd.readouterr() == ("", "")


def test_values_that_are_no_labels(small):
    with pytest.raises(ValueError, match="no label"):
        stravol.extract_all(small.astype(np.float32) + 0.5)
    with pytest.raises(ValueError, match="no label"):
        stravol.extract_all(small.astype(np.int32) - 1)
    with pytest.raises(ValueError):
        stravol.extract(np.full((5, 5, 5), np.nan), seed=(2, 2, 2))


def test_files_that_cannot_be_written(tmp_path, small, capfd):
    mesh = stravol.extract(small, label=5)
    with pytest.raises(ValueError, match="stl"):
        mesh.save(tmp_path / "mesh.vtk")
    with pytest.raises(OSError):
        mesh.save(tmp_path / "absent" / "mesh.ply")
    meshes = stravol.extract_all(small)
    with pytest.raises(ValueError, match="glb"):
        stravol.save_scene(meshes, tmp_path / "scene.stl")
    with pytest.raises(OSError):
        stravol.save_scene(meshes, tmp_path / "absent" / "scene.glb")
    with pytest.raises(ValueError):
        stravol.save_scene({}, tmp_path / "scene.glb")
    with pytest.raises(ValueError):
        stravol.save_scene([mesh, "not a mesh"], tmp_path / "scene.glb")
    with pytest.raises(ValueError):
        stravol.save_scene([mesh, stravol.extract(small, label=5, space="voxel")], tmp_path / "scene.glb")
    with pytest.raises(ValueError):
        stravol.save_scene([mesh, stravol.extract(small, label=5, affine=np.diag([2, 1, 1, 1]))], tmp_path / "scene.glb")
    with pytest.raises(ValueError):
        stravol.save_scene([stravol.extract(small.astype(np.float32), label=5)], tmp_path / "scene.glb")
    assert list(tmp_path.iterdir()) == []
    assert capfd.readouterr() == ("", "")


MEMORY = """
import resource, sys
import numpy as np, stravol
a = np.zeros((200, 200, 200), np.uint8)
a[1:-1, 1:-1, 1:-1] = 1
a[60:140, 60:140, 60:140] = 2
with open("/proc/self/status") as f:
    size = [int(line.split()[1]) * 1024 for line in f if line.startswith("VmSize")][0]
resource.setrlimit(resource.RLIMIT_AS, (size + int(sys.argv[1]) * 2**20, resource.RLIM_INFINITY))
for work in (lambda: stravol.extract(a, label=1), lambda: stravol.extract_all(a)):
    try:
        work()
        print("mesh")
    except MemoryError as e:
        print("MemoryError", e)
"""


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""), reason="the sanitizers reserve more address space than any limit leaves")
@pytest.mark.parametrize("megabytes", [8, 60, 200, 3000])
def test_memory_running_out(megabytes):
    """Whatever the limit, a MemoryError or a mesh: never a crash, never a word on stderr."""
    done = subprocess.run([sys.executable, "-c", MEMORY, str(megabytes)], capture_output=True, text=True)
    assert done.returncode == 0 and done.stderr == ""
    lines = done.stdout.splitlines()
    assert len(lines) == 2 and all(line == "mesh" or line.startswith("MemoryError ") for line in lines)
    if megabytes == 8:
        assert lines[0].startswith("MemoryError")
    if megabytes == 3000:
        assert lines == ["mesh", "mesh"]
