"""Arrays of every type and order: the same mesh, read without a copy, the caller's array
untouched; threads beside the work."""

import threading

import numpy as np
import pytest

import stravol

DTYPES = (np.uint8, np.int8, np.int16, np.uint16, np.int32, np.uint32, np.int64, np.uint64, np.float32, np.float64)


@pytest.fixture(scope="module")
def reference(labels):
    return stravol.extract(labels, label=160, space="voxel")


@pytest.mark.parametrize("dtype", DTYPES)
@pytest.mark.parametrize("order", ["C", "F"])
def test_every_type_and_order(labels, reference, dtype, order):
    # 160 does not fit int8: its labels are halved there.
    scale = 2 if dtype == np.int8 else 1
    array = np.asarray(labels // scale, dtype=dtype, order=order)
    before = array.copy()
    mesh = stravol.extract(array, label=160 // scale, space="voxel")
    np.testing.assert_array_equal(mesh.vertices, reference.vertices)
    np.testing.assert_array_equal(mesh.faces, reference.faces)
    np.testing.assert_array_equal(array, before)
    for method in ("faces", "nets"):
        all_labels = stravol.extract_all(array, method=method, space="voxel")
        np.testing.assert_array_equal(all_labels[160 // scale].vertices, stravol.extract_all(labels, method=method, space="voxel")[160].vertices)
    nets = stravol.extract(array, label=160 // scale, method="nets", space="voxel")
    np.testing.assert_array_equal(nets.vertices, stravol.extract(labels, label=160, method="nets", space="voxel").vertices)


def test_other_strides_byte_orders_and_read_only_arrays(labels, reference):
    padded = np.zeros((labels.shape[0] * 2, labels.shape[1], labels.shape[2]), np.uint16)
    padded[::2] = labels
    assert not padded[::2].flags.c_contiguous and not padded[::2].flags.f_contiguous
    for array in (padded[::2], labels.astype(">u2"), labels.astype(np.float32)):
        array.setflags(write=False)
        np.testing.assert_array_equal(stravol.extract(array, label=160, space="voxel").vertices, reference.vertices)


def test_float_values_and_tolerance():
    x, y, z = np.indices((20, 18, 16))
    ramp = (0.01 * x).astype(np.float64)
    ramp[:, :, :] += np.where((x - 9.5) ** 2 + (y - 8.5) ** 2 + (z - 7.5) ** 2 < 25, 10.0, 0.0)
    inside = stravol.extract(ramp, seed=(10, 8, 8), tolerance=0.5, space="voxel")
    assert inside.closed and 400 < inside.volume_mm3 < 600
    exact = stravol.extract(ramp, seed=(10, 8, 8), space="voxel")
    assert exact.volume_mm3 < inside.volume_mm3
    assert stravol.extract(ramp, label=10.1, space="voxel").value == pytest.approx(10.1)


def test_mesh_arrays(reference, labels):
    assert reference.vertices.shape == reference.normals.shape == (len(reference.vertices), 3)
    assert reference.faces.shape[1] == 3 and reference.faces.min() == 0 and reference.faces.max() == len(reference.vertices) - 1
    assert not reference.vertices.flags.writeable
    np.testing.assert_allclose(np.linalg.norm(reference.normals, axis=1), 1, atol=1e-5)
    # Every voxel of the label lies inside the mesh's bounds.
    voxels = np.argwhere(labels == 160)
    assert (reference.vertices.min(axis=0) <= voxels.min(axis=0)).all()
    assert (reference.vertices.max(axis=0) >= voxels.max(axis=0)).all()
    assert reference.space == "voxel" and "160" in repr(reference)


def test_threads_extract_side_by_side(labels, reference):
    meshes = [None] * 4

    def work(i):
        meshes[i] = stravol.extract(np.asfortranarray(labels) if i % 2 else labels, label=160, space="voxel")

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for mesh in meshes:
        np.testing.assert_array_equal(mesh.vertices, reference.vertices)
        assert mesh.closed
