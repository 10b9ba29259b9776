"""extract() and extract_all() give the command-line tool's meshes for the same options:
vertices bit for bit, the same files."""

import pathlib

import numpy as np
import pytest

import stravol
from conftest import LABELS, read_ply, tool

# Mirrors (negative determinant), shears and moves.
OBLIQUE = np.array([[-0.8, 0.1, 0.0, 12.5], [0.0, 1.2, 0.3, -4.0], [0.0, 0.0, 2.5, 7.25], [0, 0, 0, 1]])


def same_as_tool(mesh, tool_ply, python_ply):
    """The mesh's arrays are the tool's file's values, and its own file the tool's bytes."""
    vertices, normals, faces, colours = read_ply(tool_ply)
    assert mesh.vertices.dtype == np.float32 and mesh.faces.dtype == np.int32
    np.testing.assert_array_equal(mesh.vertices.view(np.uint32), vertices.view(np.uint32))
    np.testing.assert_array_equal(mesh.normals.view(np.uint32), normals.view(np.uint32))
    np.testing.assert_array_equal(mesh.faces, faces)
    assert (colours is None) == (mesh.color is None)
    if colours is not None:
        assert (colours == mesh.color).all()
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
        {"method": "nets"},
        {"method": "nets", "rounds": 0},
    ],
)
def test_options(tmp_path, phantom, volume, options):
    args = ["--method", options.get("method", "faces")]
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


@pytest.mark.parametrize("space", ["voxel", "RAS", "LPS"])
def test_label_file_in_world_millimetres(tmp_path, nibabel, labels, space):
    image = tmp_path / "image.nii.gz"
    segmentation = tmp_path / "labels.nii.gz"
    nibabel.save(nibabel.Nifti1Image(labels.astype(np.uint8), OBLIQUE), image)
    nibabel.save(nibabel.Nifti1Image(labels.astype(np.int16), OBLIQUE), segmentation)
    tool("stravol-extract", image, "--segmentation", segmentation, "--label", 200, "--space", space, "--output", tmp_path / "tool.ply")
    volume = stravol.read(image, segmentations=[segmentation])
    mesh = stravol.extract(volume, label=200, space=space)
    assert mesh.space == space
    same_as_tool(mesh, tmp_path / "tool.ply", tmp_path / "python.ply")
    # The array and its affine, handed over from nibabel, give the same mesh.
    loaded = nibabel.load(segmentation)
    again = stravol.extract(np.asanyarray(loaded.dataobj), label=200, affine=loaded.affine, space=space)
    np.testing.assert_array_equal(again.vertices, mesh.vertices)
    # World measures through the affine, whatever the space.
    voxel = stravol.extract(volume, label=200, space="voxel")
    assert voxel.volume_mm3 == mesh.volume_mm3 == pytest.approx(abs(np.linalg.det(OBLIQUE[:3, :3])) * stravol.extract(labels, label=200).volume_mm3)
    # The mirror keeps the outward order: positive volume, faces reversed against voxel space.
    assert mesh.volume_mm3 > 0
    if space != "voxel":
        np.testing.assert_array_equal(mesh.faces, voxel.faces[:, [0, 2, 1]])


@pytest.mark.parametrize("method", ["faces", "nets"])
def test_every_label(tmp_path, phantom, volume, method):
    summary = tool("stravol-extract", phantom, "--all-labels", "--method", method, "--output-dir", tmp_path / "tool", "--format", "ply", "--space", "voxel")
    meshes = stravol.extract_all(volume, method=method, space="voxel")
    assert list(meshes) == list(LABELS)
    for entry in summary["labels"]:
        mesh = meshes[entry["value"]]
        assert mesh.value == entry["value"] and mesh.closed and mesh.name is None
        assert mesh.color == tuple(entry["color"])
        assert mesh.volume_mm3 == pytest.approx(entry["volume_mm3"], rel=1e-8)
        same_as_tool(mesh, tmp_path / "tool" / f"label-{entry['value']}.ply", tmp_path / f"python-{entry['value']}.ply")


def test_every_label_with_options(tmp_path, phantom, volume):
    tool("stravol-extract", phantom, "--all-labels", "--method", "faces", "--output-dir", tmp_path, "--format", "ply", "--space", "voxel", "--smoothing", "constrained", "--smooth", 5)
    meshes = stravol.extract_all(volume, space="voxel", smoothing="constrained", rounds=5)
    for value, mesh in meshes.items():
        vertices, _, faces, _ = read_ply(tmp_path / f"label-{value}.ply")
        np.testing.assert_array_equal(mesh.vertices, vertices)
        np.testing.assert_array_equal(mesh.faces, faces)


@pytest.mark.parametrize("suffix", [".stl", ".obj", ".PLY"])
def test_every_format_the_tool_writes(tmp_path, phantom, volume, suffix):
    tool("stravol-extract", phantom, "--label", 120, "--output", tmp_path / ("tool" + suffix))
    stravol.extract(volume, label=120).save(tmp_path / ("python" + suffix))
    assert (tmp_path / ("python" + suffix)).read_bytes() == (tmp_path / ("tool" + suffix)).read_bytes()


# ITK-SNAP label descriptions: two labels named and coloured, the others left to the palette.
TABLE = """# ITK-SnAP Label Description File
    0     0    0    0        0  0  0    "Clear Label"
  200   250   20   30        1  1  1    "Ball"
  160    10  200   40        1  1  1    "Torus of 160"
"""


def test_every_label_named_and_coloured_and_as_one_scene(tmp_path, phantom):
    (tmp_path / "table.txt").write_text(TABLE)
    volume = stravol.read(phantom, labels=tmp_path / "table.txt")
    assert volume.labels == {0: ("Clear Label", (0, 0, 0)), 200: ("Ball", (250, 20, 30)), 160: ("Torus of 160", (10, 200, 40))}
    (tmp_path / "python").mkdir()
    (tmp_path / "tool").mkdir()
    for scene in ("scene.glb", "scene.obj", "scene.ply"):
        summary = tool("stravol-extract", phantom, "--all-labels", "--method", "faces", "--labels", tmp_path / "table.txt", "--output-dir", tmp_path / "tool", "--format", "ply", "--space", "LPS", "--scene", tmp_path / "tool" / scene)
        meshes = stravol.extract_all(volume, space="LPS")
        stravol.save_scene(meshes, tmp_path / "python" / scene)
        assert (tmp_path / "python" / scene).read_bytes() == (tmp_path / "tool" / scene).read_bytes()
    assert (tmp_path / "python" / "scene.mtl").read_bytes() == (tmp_path / "tool" / "scene.mtl").read_bytes()
    assert meshes[200].name == "Ball" and meshes[200].color == (250, 20, 30)
    assert meshes[80].name is None and meshes[80].color not in {(250, 20, 30), (10, 200, 40)}
    for entry in summary["labels"]:
        assert meshes[entry["value"]].color == tuple(entry["color"])
        same_as_tool(meshes[entry["value"]], pathlib.Path(entry["file"]), tmp_path / "python.ply")
    # A seeded extraction of a named label is named and coloured too.
    ball = stravol.extract(volume, label=200)
    assert ball.name == "Ball" and ball.color == (250, 20, 30) and "Ball" in repr(ball)


def test_table_beside_the_label_file(tmp_path, nibabel, labels):
    nibabel.save(nibabel.Nifti1Image(labels, np.eye(4)), tmp_path / "atlas.nii.gz")
    (tmp_path / "atlas.txt").write_text("200 Ball\n120 Boxes\n")
    volume = stravol.read(tmp_path / "atlas.nii.gz")
    assert volume.labels == {200: ("Ball", None), 120: ("Boxes", None)}
    assert stravol.extract_all(volume)[120].name == "Boxes"
    (tmp_path / "atlas.txt").write_text("200 Ball\nnot a line of a table\n")
    volume = stravol.read(tmp_path / "atlas.nii.gz")
    assert volume.labels == {} and any("atlas.txt" in remark for remark in volume.remarks)


def test_labels_beyond_16_bits(tmp_path, nibabel, labels):
    wide = np.where(labels > 0, labels.astype(np.uint32) * 100000 + 7, 0).astype(np.uint32)
    nibabel.save(nibabel.Nifti1Image(wide, np.eye(4), dtype=np.uint32), tmp_path / "wide.nii")
    for method in ("faces", "nets"):
        summary = tool("stravol-extract", tmp_path / "wide.nii", "--all-labels", "--method", method, "--output-dir", tmp_path / method, "--format", "ply", "--space", "voxel")
        for meshes in (stravol.extract_all(stravol.read(tmp_path / "wide.nii"), method=method, space="voxel"), stravol.extract_all(np.ascontiguousarray(wide), method=method, space="voxel")):
            assert list(meshes) == [v * 100000 + 7 for v in LABELS]
            for entry in summary["labels"]:
                same_as_tool(meshes[entry["value"]], pathlib.Path(entry["file"]), tmp_path / "python.ply")
    assert stravol.extract(wide, label=20000007, space="voxel").value == 20000007
