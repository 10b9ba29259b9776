"""read(): what the tools open, with the files' own values, against nibabel."""

import numpy as np
import pytest

import stravol

DTYPES = (np.uint8, np.int8, np.int16, np.uint16, np.int32, np.uint32, np.int64, np.uint64, np.float32, np.float64)
OBLIQUE = np.array([[0.0, -0.9, 0.1, 12.5], [1.1, 0.0, 0.0, -30.0], [0.0, 0.2, 2.5, 7.25], [0, 0, 0, 1]])


def values(dtype, shape=(9, 8, 7)):
    x, y, z = np.indices(shape)
    return (x + 5 * y + 23 * z).astype(dtype)


@pytest.mark.parametrize("dtype", DTYPES)
@pytest.mark.parametrize("suffix", [".nii", ".nii.gz"])
def test_nifti_round_trip(tmp_path, nibabel, dtype, suffix):
    data = values(dtype)
    path = tmp_path / ("volume" + suffix)
    nibabel.save(nibabel.Nifti1Image(data, OBLIQUE, dtype=dtype), path)
    v = stravol.read(path)
    image = nibabel.load(path)
    assert v.array.dtype == image.get_data_dtype()
    assert v.array.shape == image.shape
    np.testing.assert_array_equal(v.array, np.asarray(image.dataobj))
    np.testing.assert_allclose(v.affine, image.affine, rtol=0, atol=1e-6)
    np.testing.assert_allclose(v.spacing, image.header.get_zooms(), rtol=1e-6)
    assert v.segmentations == [] and v.labels == {}
    assert v.array.flags.f_contiguous and v.array.flags.writeable


def test_qform_only_and_nifti2(tmp_path, nibabel):
    data = values(np.int16)
    path = tmp_path / "q.nii"
    image = nibabel.Nifti2Image(data, None)
    image.set_qform(OBLIQUE, code=1)
    image.set_sform(None, code=0)
    nibabel.save(image, path)
    v = stravol.read(path)
    np.testing.assert_array_equal(v.array, data)
    np.testing.assert_allclose(v.affine, nibabel.load(path).affine, atol=1e-5)


def test_segmentations_keep_their_types(tmp_path, nibabel):
    data = values(np.float32)
    nibabel.save(nibabel.Nifti1Image(data, OBLIQUE), tmp_path / "image.nii.gz")
    first = (data > 100).astype(np.uint16) * 700
    second = (data > 50).astype(np.int8)
    nibabel.save(nibabel.Nifti1Image(first, OBLIQUE), tmp_path / "a.nii")
    nibabel.save(nibabel.Nifti1Image(second, OBLIQUE), tmp_path / "b.nii")
    v = stravol.read(tmp_path / "image.nii.gz", segmentations=[tmp_path / "a.nii", str(tmp_path / "b.nii")])
    assert [s.dtype for s in v.segmentations] == [np.uint16, np.int8]
    np.testing.assert_array_equal(v.segmentations[0], first)
    np.testing.assert_array_equal(v.segmentations[1], second)
    # One path alone is one segmentation, not a sequence of characters.
    assert len(stravol.read(tmp_path / "image.nii.gz", segmentations=tmp_path / "a.nii").segmentations) == 1


def test_parent_folder(phantom, volume):
    assert volume.array.shape == (48, 40, 24) and volume.array.dtype == np.uint8
    assert len(volume.segmentations) == 1
    assert set(np.unique(volume.segmentations[0])) == {0, 80, 120, 160, 200, 240}
    np.testing.assert_array_equal(volume.affine, np.eye(4))
    assert volume.spacing == (1.0, 1.0, 1.0)
    assert volume.path == str(phantom)


def test_files_that_cannot_be_read(tmp_path, capfd):
    with pytest.raises(FileNotFoundError):
        stravol.read(tmp_path / "absent.nii")
    (tmp_path / "garbage.nii").write_bytes(b"not a volume" * 40)
    with pytest.raises(OSError, match="garbage.nii"):
        stravol.read(tmp_path / "garbage.nii")
    (tmp_path / "empty").mkdir()
    with pytest.raises(OSError, match="sub-folder"):
        stravol.read(tmp_path / "empty")
    assert capfd.readouterr() == ("", "")


def test_segmentations_that_cannot_be_used(tmp_path, nibabel):
    nibabel.save(nibabel.Nifti1Image(values(np.uint8), np.eye(4)), tmp_path / "v.nii")
    nibabel.save(nibabel.Nifti1Image(values(np.uint8, (9, 8, 6)), np.eye(4)), tmp_path / "other.nii")
    with pytest.raises(OSError, match="other.nii"):
        stravol.read(tmp_path / "v.nii", segmentations=[tmp_path / "other.nii"])
    with pytest.raises(FileNotFoundError):
        stravol.read(tmp_path / "v.nii", segmentations=[tmp_path / "absent.nii"])
    with pytest.raises(FileNotFoundError):
        stravol.read(tmp_path / "v.nii", labels=tmp_path / "table.txt")
    (tmp_path / "table.txt").write_text("200 Ball\n200 Twice\n")
    with pytest.raises(OSError, match="table.txt"):
        stravol.read(tmp_path / "v.nii", labels=tmp_path / "table.txt")
