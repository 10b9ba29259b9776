#!/usr/bin/env python3
"""The peer pipeline of the extraction measurements, built from VTK's own filters.

Reads the label slices of a parent folder (its second sub-folder, the first segmentation, as
the extraction does), contours one label with discrete flying edges, smooths the surface with
windowed-sinc smoothing and computes point and cell normals, on a fixed number of threads.
Prints one JSON line shaped like stravol-extract's summary: the seconds of each stage (load,
contour, smoothing, normals, and extraction for the three after the load), the triangle count
and the peak resident memory in MB.

usage: pair_vtk.py FOLDER [--label 200] [--iterations 15] [--threads 2]
Needs VTK's Python modules (Debian: python3-vtk9).
"""
import argparse
import glob
import json
import os
import resource
import sys
import time

from vtkmodules.vtkCommonCore import vtkSMPTools, vtkStringArray
from vtkmodules.vtkFiltersCore import vtkPolyDataNormals, vtkWindowedSincPolyDataFilter
from vtkmodules.vtkFiltersGeneral import vtkDiscreteFlyingEdges3D
from vtkmodules.vtkImagingCore import vtkImageExtractComponents
from vtkmodules.vtkIOImage import vtkBMPReader


def slices(folder):
    """The slice files of the folder's first segmentation, in name order."""
    subfolders = sorted(d for d in os.listdir(folder) if os.path.isdir(os.path.join(folder, d)))
    if len(subfolders) < 2:
        sys.exit(f"pair_vtk: {folder} has no segmentation folder")
    files = sorted(glob.glob(os.path.join(folder, subfolders[1], "*.bmp")))
    if not files:
        sys.exit(f"pair_vtk: no BMP slice in {os.path.join(folder, subfolders[1])}")
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--label", type=int, default=200)
    parser.add_argument("--iterations", type=int, default=15)
    parser.add_argument("--threads", type=int, default=2)
    args = parser.parse_args()
    vtkSMPTools.Initialize(args.threads)

    t0 = time.perf_counter()
    names = vtkStringArray()
    for f in slices(args.folder):
        names.InsertNextValue(f)
    reader = vtkBMPReader()
    reader.SetFileNames(names)
    # Grey label slices are stored as (v, v, v): the first component is the label.
    grey = vtkImageExtractComponents()
    grey.SetInputConnection(reader.GetOutputPort())
    grey.SetComponents(0)
    grey.Update()
    labels = grey.GetOutput()
    t1 = time.perf_counter()

    contour = vtkDiscreteFlyingEdges3D()
    contour.SetInputData(labels)
    contour.SetValue(0, args.label)
    contour.ComputeNormalsOff()
    contour.ComputeGradientsOff()
    contour.ComputeScalarsOff()
    contour.Update()
    surface = contour.GetOutput()
    t2 = time.perf_counter()

    smoothing = vtkWindowedSincPolyDataFilter()
    smoothing.SetInputData(surface)
    smoothing.SetNumberOfIterations(args.iterations)
    smoothing.SetPassBand(0.001)
    smoothing.BoundarySmoothingOff()
    smoothing.FeatureEdgeSmoothingOff()
    smoothing.NonManifoldSmoothingOn()
    smoothing.NormalizeCoordinatesOn()
    smoothing.Update()
    smooth = smoothing.GetOutput()
    t3 = time.perf_counter()

    # The contour is consistently oriented and the smoothed surface has no sharp edge: the
    # normals neither reorder nor split, like ours.
    normals = vtkPolyDataNormals()
    normals.SetInputData(smooth)
    normals.ComputePointNormalsOn()
    normals.ComputeCellNormalsOn()
    normals.SplittingOff()
    normals.ConsistencyOff()
    normals.AutoOrientNormalsOff()
    normals.Update()
    mesh = normals.GetOutput()
    t4 = time.perf_counter()

    seconds = {"load": t1 - t0, "contour": t2 - t1, "smoothing": t3 - t2, "normals": t4 - t3,
               "extraction": t4 - t1}
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
    print(json.dumps({"seconds": {k: round(v, 6) for k, v in seconds.items()},
                      "vertices": mesh.GetNumberOfPoints(), "triangles": mesh.GetNumberOfCells(),
                      "threads": args.threads, "backend": vtkSMPTools.GetBackend(),
                      "peak_rss_mb": round(peak, 1)}))


if __name__ == "__main__":
    main()
