#!/usr/bin/env python3
"""Writes a synthetic atlas for the documentation's picture: an ellipsoid of 1 mm voxels cut
into touching labels (left-right pairs around seeds), a grey volume, both NIfTI with a RAS
transform, and a FreeSurfer-style name table beside the labels.

Usage: docs/atlas_synthetique.py OUT_DIR
"""
import sys
from pathlib import Path

import nibabel as nib
import numpy as np

TAILLE = (120, 144, 112)  # x (left to right), y (back to front), z (down to up)
NB_PAIRES = 24

sortie = Path(sys.argv[1])
sortie.mkdir(parents=True, exist_ok=True)
hasard = np.random.default_rng(7)
x, y, z = np.meshgrid(*(np.arange(n, dtype=np.float32) for n in TAILLE), indexing="ij")
centre = [(n - 1) / 2 for n in TAILLE]
rayons = [0.45 * n for n in TAILLE]
dedans = sum(((c - m) / r) ** 2 for c, m, r in zip((x, y, z), centre, rayons)) <= 1

# Seeds in the left half, mirrored to the right: each voxel takes its nearest seed's label.
graines = []
while len(graines) < NB_PAIRES:
    p = hasard.uniform(-1, 1, 3)
    if p[0] < -0.1 and (p ** 2).sum() <= 0.9:
        graines.append(p)
points = np.array([[centre[k] + rayons[k] * p[k] for k in range(3)] for p in graines])
points = np.concatenate([points, points * [-1, 1, 1] + [2 * centre[0], 0, 0]])
etiquettes = np.zeros(TAILLE, np.int16)
meilleure = np.full(TAILLE, np.inf, np.float32)
for k, p in enumerate(points):
    d = (x - p[0]) ** 2 + (y - p[1]) ** 2 + (z - p[2]) ** 2
    plus = dedans & (d < meilleure)
    meilleure[plus] = d[plus]
    etiquettes[plus] = 1000 + k if k < NB_PAIRES else 2000 + k - NB_PAIRES
gris = np.where(dedans, 60 + (etiquettes % 97) + hasard.normal(0, 4, TAILLE), 0)

affine = np.diag([1.0, 1.0, 1.0, 1.0])
affine[:3, 3] = [-c for c in centre]
nib.save(nib.Nifti1Image(gris.astype(np.float32), affine), sortie / "atlas_gris.nii.gz")
nib.save(nib.Nifti1Image(etiquettes, affine), sortie / "atlas.nii.gz")
with open(sortie / "atlas.txt", "w") as table:
    for k in range(NB_PAIRES):
        couleur = hasard.integers(40, 256, 3)
        for cote, base in (("Left", 1000), ("Right", 2000)):
            table.write(f"{base + k} {cote}-Structure-{k + 1:02d} "
                        f"{couleur[0]} {couleur[1]} {couleur[2]} 0\n")
