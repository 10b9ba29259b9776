"""Closed smooth triangle meshes of the objects of 3D volumes and label maps.

Volumes are NumPy arrays of shape (X, Y, Z): x along a picture row, y down the rows, z along
the slices (for NIfTI files: i, j, k). Arrays of any integer or float type, C- or
Fortran-ordered, are read where they lie, without a copy; other strides and the non-native byte
order are copied once. The work runs without the interpreter's lock, so that other Python
threads run beside it.

Errors: ValueError for a bad argument (or a request that cannot be met, such as a label absent
from the volume), OSError (FileNotFoundError) for a file that cannot be read or written,
MemoryError when memory runs out.
"""

import os
from typing import Literal, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str

Path = Union[str, bytes, os.PathLike]
Color = Tuple[int, int, int]

class Volume:
    """A volume read from files by read(), with its segmentations."""

    @property
    def path(self) -> str:
        """The folder or file read."""
    @property
    def array(self) -> np.ndarray:
        """The voxels, shape (X, Y, Z), in the file's own type (uint8 for a folder of
        pictures, the series' own type for a DICOM folder), Fortran-ordered, without a copy."""
    @property
    def affine(self) -> npt.NDArray[np.float64]:
        """4 x 4 voxel -> world matrix (millimetres, the file's RAS frame): the sform, else the
        qform, else the spacing alone; the identity for a folder of pictures."""
    @property
    def spacing(self) -> Tuple[float, float, float]:
        """Millimetres a voxel along x, y and z."""
    @property
    def segmentations(self) -> list[np.ndarray]:
        """Label arrays on the volume's grid, shape (X, Y, Z), in the order read: the
        segmentation sub-folders of a parent folder (uint8), then the label files given (their
        own types)."""
    @property
    def labels(self) -> dict[int, Tuple[str, Optional[Color]]]:
        """Label value -> (name, (red, green, blue) or None) of the label table: the one given
        to read(), else the one found beside the label file, else the label file's own (the
        segments of a .seg.nrrd file); an empty dict when there is none."""
    @property
    def remarks(self) -> list[str]:
        """What the readers told about a good reading (a 4-D file's first volume, spacing from
        TIFF tags, values rescaled, a table beside the label file left out and why)."""

class Mesh:
    """A closed triangle mesh of one object, in the space it was asked in."""

    @property
    def vertices(self) -> npt.NDArray[np.float32]:
        """Positions, shape (N, 3), in the mesh's space (read-only)."""
    @property
    def faces(self) -> npt.NDArray[np.int32]:
        """Vertex numbers, shape (M, 3), each triangle counter-clockwise seen from outside
        (read-only)."""
    @property
    def normals(self) -> npt.NDArray[np.float32]:
        """Unit outward vertex normals, shape (N, 3), in the mesh's space (read-only)."""
    @property
    def space(self) -> Literal["RAS", "LPS", "voxel"]:
        """The space of vertices, normals and written files."""
    @property
    def value(self) -> Union[int, float]:
        """The value of the object: the label, or the seed's value."""
    @property
    def name(self) -> Optional[str]:
        """The label's name when the volume's label table gives one."""
    @property
    def color(self) -> Optional[Color]:
        """The label's colour: the table's, or for extract_all the default palette's (never
        shared by two labels of the volume); None for an object without one."""
    @property
    def volume_mm3(self) -> float:
        """Enclosed volume in cubic millimetres, through the volume's affine (whatever the
        space)."""
    @property
    def area_mm2(self) -> float:
        """Surface area in square millimetres, through the volume's affine."""
    @property
    def closed(self) -> bool:
        """Every edge is used by exactly two triangles, once in each direction."""
    def save(self, path: Path) -> None:
        """Writes the mesh in its space: binary STL, OBJ with vertex normals or binary PLY (with
        the mesh's colour a vertex when it has one), chosen by the extension of path (".stl",
        ".obj", ".ply", any letter case). The file is the one stravol-extract writes for the
        same mesh (--output, or --all-labels with its --format). Raises ValueError for another
        extension and OSError when the file cannot be written (nothing is left behind)."""

def read(
    path: Path,
    segmentations: Union[Path, Sequence[Path]] = (),
    labels: Optional[Path] = None,
) -> Volume:
    """Opens what stravol-extract opens: a parent folder (its first sub-folder, by name, is the
    volume; the further sub-folders are its segmentations) or a volume file (NIfTI .nii,
    .nii.gz, or TIFF), with label files on the volume's grid.

    labels: a label table of names and colours (plain "value name", ITK-SNAP, FreeSurfer LUT,
        Slicer .ctbl or CSV, told by its content). Without one, the table beside the last label
        file (or the volume file) is taken when there is one: its name without .gz, or without
        its extensions, followed by .txt, .csv, .ctbl, .lut or .label.

    Raises FileNotFoundError for a path that does not exist, OSError for a file that cannot be
    used (with the reason; for a table, its file and line), MemoryError when memory runs out.
    """

def extract(
    array_or_volume: Union[npt.ArrayLike, Volume],
    label: Optional[float] = None,
    seed: Optional[Sequence[int]] = None,
    affine: Optional[npt.ArrayLike] = None,
    method: Literal["faces", "nets"] = "faces",
    smoothing: Optional[Literal["taubin", "constrained"]] = None,
    rounds: Optional[int] = None,
    tolerance: float = 0.0,
    decimate: float = 1.0,
    space: Literal["RAS", "LPS", "voxel"] = "RAS",
) -> Mesh:
    """Extracts one object as a closed smooth mesh: the 26-connected voxels of the seed's value
    (or within tolerance of it, in the array's units), meshed by the method asked and given
    normals. The mesh is the one stravol-extract makes with the same options.

    array_or_volume: an array (X, Y, Z), or a Volume (its last segmentation, else its array).
    label: the seed is the first voxel holding this value, x fastest, then y, then z, off the
        outer layer of the volume (stravol-extract --label).
    seed: the seed voxel (x, y, z) (stravol-extract --seed). Give label or seed, not both.
    affine: 4 x 4 voxel -> world (mm) matrix; default the volume's, or the identity for an array.
    method: "faces", the voxel faces of the region, its border repaired so that the surface is
        manifold; "nets", the dual surface of the voxels as they stand (one vertex a lattice
        cell the surface crosses), with its own volume-keeping smoothing.
    smoothing: with "faces": "taubin" (the default), or "constrained" (volume-keeping rounds,
        every vertex within half a voxel of its lattice corner).
    rounds: smoothing rounds; default 10 (taubin) or 20 (constrained, nets; 0 with nets: the raw
        dual surface).
    decimate: with "faces", keep about this fraction of the triangles (0 < decimate <= 1); a
        result that is not closed, manifold and within half a voxel and 1 % of volume is
        refused (ValueError).
    space: "RAS" (world millimetres through the affine; "world" is the same), "LPS" (x to the
        left, y to the back: (-x, -y, z) of RAS) or "voxel" (the centre of voxel (i, j, k) at
        (i, j, k)). An array without an affine has RAS = voxel.
    """

def extract_all(
    array_or_volume: Union[npt.ArrayLike, Volume],
    affine: Optional[npt.ArrayLike] = None,
    method: Literal["faces", "nets"] = "faces",
    smoothing: Optional[Literal["taubin", "constrained"]] = None,
    rounds: Optional[int] = None,
    decimate: float = 1.0,
    space: Literal["RAS", "LPS", "voxel"] = "RAS",
) -> dict[int, Mesh]:
    """Every non-zero label as its own closed mesh (all its components): {value: Mesh}, by
    increasing value. "faces" meshes the labels one by one in parallel; "nets" makes one dual
    surface of the whole map, each surface between two labels made once and shared by both
    (a Fortran-ordered uint16 array is read in place, any other through a 16-bit copy of its
    labels). Meshes carry the names and colours of the volume's label table,
    the default palette's colours for the others. The values must be whole numbers from 0 to
    2^32 - 1, at most 65535 labels. The meshes are those stravol-extract --all-labels writes
    with the same options.
    """

def save_scene(
    meshes: Union[dict[int, Mesh], Sequence[Mesh]],
    path: Path,
    space: Optional[Literal["RAS", "LPS", "voxel"]] = None,
) -> None:
    """Writes label meshes of one volume (from extract_all) as one scene, named and coloured,
    the format chosen by the extension of path: ".glb" (glTF 2.0 binary: a mesh, node and
    material a label, metres, Y up), ".obj" (an object a label, its materials in a .mtl file of
    the same name beside it) or ".ply" (every label in one mesh, a "label" property a face).
    The file is the one stravol-extract --all-labels --scene writes. space: the meshes' own by
    default.

    Raises ValueError for another extension, meshes of several volumes or spaces, or meshes
    that are no labels; OSError when the file cannot be written.
    """
