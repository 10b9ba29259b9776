#!/usr/bin/env python3
"""One fresh process timing the Python module's extraction of a phantom folder's label.

Reads the folder with stravol.read, then times stravol.extract on its segmentation array (handed
over without a copy) twice: the first call of the process, which first touches the memory it
works in, and a second one in memory the first has left. Prints a JSON summary like the tools'.

usage: appel_python.py BUILD FOLDER LABEL
"""
import json
import resource
import sys
import time


def main():
    build, folder, label = sys.argv[1], sys.argv[2], int(sys.argv[3])
    sys.path.insert(0, f"{build}/python")
    import stravol

    volume = stravol.read(folder)
    labels = volume.segmentations[0]
    seconds = {}
    for call in ("first", "second"):
        start = time.perf_counter()
        mesh = stravol.extract(labels, label=label)
        seconds[call] = time.perf_counter() - start
        triangles = len(mesh.faces)
        del mesh
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(json.dumps({"seconds": seconds, "triangles": triangles, "peak_rss_mb": round(peak, 1)}))


if __name__ == "__main__":
    main()
