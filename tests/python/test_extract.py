"""extract() and extract_all() give the command-line tool's meshes for the same options:
vertices bit for bit, the same files."""

import numpy as np
import pytest

import stravol
from conftest import LABELS, read_ply, tool

# Mirrors (negative determinant), shears and moves.
OBLIQUE = np.array([[-0.8, 0.1, 0.0, 12.5], [0.0, 1.2, 0.3, -4.0], [0.0, 0.0, 2.5, 7.25], [0, 0, 0, 1]])


def same_as_tool(mesh, tool_ply, python_ply):
    """The mesh's arrays are the tool's file's values, and its own file the tool's bytes."""
    vertices, normals, faces = read_ply(tool_ply)
    assert mesh.vertices.dtype == np.float32 and mesh.faces.dtype == np.int32
    np.testing.assert_array_equal(mesh.vertices.view(np.uint32), vertices.view(np.uint32))
    np.testing.assert_array_equal(mesh.normals.view(np.uint32), normals.view(np.uint32))
    np.testing.assert_array_equal(mesh.faces, faces)
    mesh.save(python_ply)
    assert python_ply.read_bytes() == tool_ply.read_bytes()


@pytest.mark.parametrize("label", [200, 160])
@pytest.mark.parametrize("space", ["voxel", "world"])
def test_label_of_a_folder(tmp_path, phantom, volume, label, space):
    summary = tool("stravol-extract", phantom, "--label", label, "--space", space, "--output", tmp_path / "tool.ply")
    mesh = stravol.extract(volume, label=label, space="voxel" if space == "voxel" else "RAS")
    same_as_tool(mesh, tmp_path / "tool.ply", tmp_path / "python.ply")
    assert mesh.value == label and mesh.closed == summary["closed"] is True
    assert mesh.volume_mm3 == pytest.approx(summary["volume_mm3"], rel=1e-8)
    assert mesh.area_mm2 == pytest.approx(summary["area_mm2"], rel=1e-8)


@pytest.mark.parametrize(
    "options",
    [
        {"smoothing": "constrained"},
        {"smoothing": "taubin", "rounds": 3},
        {"rounds": 0},
        {"decimate": 0.5},
    ],
)
def test_options(tmp_path, phantom, volume, options):
    args = []
    if "smoothing" in options:
        args += ["--smoothing", options["smoothing"]]
    if "rounds" in options:
        args += ["--smooth", options["rounds"]]
    if "decimate" in options:
        args += ["--decimate", options["decimate"]]
    tool("stravol-extract", phantom, "--label", 160, "--space", "voxel", "--output", tmp_path / "tool.ply", *args)
    mesh = stravol.extract(volume, label=160, space="voxel", **options)
    same_as_tool(mesh, tmp_path / "tool.ply", tmp_path / "python.ply")


def test_seed_with_a_tolerance_on_the_grey_image(tmp_path, phantom, volume, labels):
    seed = tuple(int(c) for c in np.argwhere(labels == 200).mean(axis=0).round())
    tool("stravol-extract", phantom, "--seed", *seed, "--source", "image", "--tolerance", 30, "--space", "voxel", "--output", tmp_path / "tool.ply")
    mesh = stravol.extract(volume.array, seed=seed, tolerance=30, space="voxel")
    same_as_tool(mesh, tmp_path / "tool.ply", tmp_path / "python.ply")
    assert mesh.value == volume.array[seed]


@pytest.mark.parametrize("space", ["voxel", "world"])
def test_label_file_in_world_millimetres(tmp_path, nibabel, labels, space):
    image = tmp_path / "image.nii.gz"
    segmentation = tmp_path / "labels.nii.gz"
    nibabel.save(nibabel.Nifti1Image(labels.astype(np.uint8), OBLIQUE), image)
    nibabel.save(nibabel.Nifti1Image(labels.astype(np.int16), OBLIQUE), segmentation)
    tool("stravol-extract", image, "--segmentation", segmentation, "--label", 200, "--space", space, "--output", tmp_path / "tool.ply")
    volume = stravol.read(image, segmentations=[segmentation])
    mesh = stravol.extract(volume, label=200, space="RAS" if space == "world" else "voxel")
    same_as_tool(mesh, tmp_path / "tool.ply", tmp_path / "python.ply")
    # The array and its affine, handed over from nibabel, give the same mesh.
    loaded = nibabel.load(segmentation)
    again = stravol.extract(np.asanyarray(loaded.dataobj), label=200, affine=loaded.affine, space="RAS" if space == "world" else "voxel")
    np.testing.assert_array_equal(again.vertices, mesh.vertices)
    # World measures through the affine, whatever the space.
    voxel = stravol.extract(volume, label=200, space="voxel")
    assert voxel.volume_mm3 == mesh.volume_mm3 == pytest.approx(abs(np.linalg.det(OBLIQUE[:3, :3])) * stravol.extract(labels, label=200).volume_mm3)
    # The mirror keeps the outward order: positive volume, faces reversed against voxel space.
    assert mesh.volume_mm3 > 0
    if space == "world":
        np.testing.assert_array_equal(mesh.faces, voxel.faces[:, [0, 2, 1]])


def test_every_label(tmp_path, phantom, volume):
    summary = tool("stravol-extract", phantom, "--all-labels", "--output-dir", tmp_path / "tool", "--format", "ply", "--space", "voxel")
    meshes = stravol.extract_all(volume, space="voxel")
    assert list(meshes) == list(LABELS)
    for entry in summary["labels"]:
        mesh = meshes[entry["value"]]
        assert mesh.value == entry["value"] and mesh.closed
        assert mesh.volume_mm3 == pytest.approx(entry["volume_mm3"], rel=1e-8)
        same_as_tool(mesh, tmp_path / "tool" / f"label-{entry['value']}.ply", tmp_path / f"python-{entry['value']}.ply")


def test_every_label_with_options(tmp_path, phantom, volume):
    tool("stravol-extract", phantom, "--all-labels", "--output-dir", tmp_path, "--format", "ply", "--space", "voxel", "--smoothing", "constrained", "--smooth", 5)
    meshes = stravol.extract_all(volume, space="voxel", smoothing="constrained", rounds=5)
    for value, mesh in meshes.items():
        vertices, _, faces = read_ply(tmp_path / f"label-{value}.ply")
        np.testing.assert_array_equal(mesh.vertices, vertices)
        np.testing.assert_array_equal(mesh.faces, faces)


@pytest.mark.parametrize("suffix", [".stl", ".obj", ".PLY"])
def test_every_format_the_tool_writes(tmp_path, phantom, volume, suffix):
    tool("stravol-extract", phantom, "--label", 120, "--output", tmp_path / ("tool" + suffix))
    stravol.extract(volume, label=120).save(tmp_path / ("python" + suffix))
    assert (tmp_path / ("python" + suffix)).read_bytes() == (tmp_path / ("tool" + suffix)).read_bytes()
