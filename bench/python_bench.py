#!/usr/bin/env python3
"""What handing data across to Python costs, against the same work done in C++.

    PYTHONPATH=build/python python3 bench/python_bench.py [facets]

A closed torus of 2 000 000 facets (or the count given) goes into kelmmath.Mesh from
NumPy arrays; the baseline is the C++ build of the same facet set from the same flat
arrays, timed inside the library in the same run. Pairs alternate and the median ratio is
reported, because the machine is shared. Then the arrays come back out (vertices as a view,
facets as a copy).
"""
import statistics
import sys
import time

import numpy as np

import kelmmath


def torus(facets):
    rows = int(np.sqrt(facets / 2))
    cols = facets // (2 * rows)
    u, v = np.meshgrid(np.arange(rows), np.arange(cols), indexing="ij")
    a, b = 2 * np.pi * u / rows, 2 * np.pi * v / cols
    verts = np.stack([(3 + np.cos(b)) * np.cos(a), (3 + np.cos(b)) * np.sin(a), np.sin(b)], -1)
    i = (u * cols + v).ravel()
    r = (((u + 1) % rows) * cols + v).ravel()
    c = (u * cols + (v + 1) % cols).ravel()
    rc = (((u + 1) % rows) * cols + (v + 1) % cols).ravel()
    tris = np.concatenate([np.stack([i, r, rc], -1), np.stack([i, rc, c], -1)])
    return verts.reshape(-1, 3), tris.astype(np.uint32)


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 2_000_000
    verts, tris = torus(n)
    ratios, py_times, cpp_times = [], [], []
    def from_python():
        start = time.perf_counter()
        mesh = kelmmath.Mesh(verts, tris)
        elapsed = time.perf_counter() - start
        del mesh
        return elapsed

    for i in range(9):
        if i % 2:  # alternate which goes first, so that neither always meets a warm heap
            py = from_python()
            cpp = kelmmath._kelmmath._native_build_seconds(verts, tris)
        else:
            cpp = kelmmath._kelmmath._native_build_seconds(verts, tris)
            py = from_python()
        ratios.append(py / cpp)
        py_times.append(py)
        cpp_times.append(cpp)
    mesh = kelmmath.Mesh(verts, tris)
    start = time.perf_counter()
    back_v, back_f = mesh.vertices, mesh.facets
    out = time.perf_counter() - start
    print(f"facets {len(tris)}, vertices {len(verts)}")
    print(f"Mesh(vertices, facets): median {statistics.median(py_times):.3f} s, "
          f"C++ build {statistics.median(cpp_times):.3f} s, "
          f"x_cpp median {statistics.median(ratios):.3f} (goal at most 1.10)")
    print(f"vertices view + facets copy out: {out:.3f} s ({back_v.shape}, {back_f.shape})")


if __name__ == "__main__":
    main()
