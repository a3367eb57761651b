"""The triangulator: the C++ example's square with a hole gives the same counts."""
import numpy as np
import pytest

import kelmmath as k


def test_square_with_hole_matches_cpp():
    pts = np.array([[0, 0], [4, 0], [4, 4], [0, 4], [1, 1], [3, 1], [3, 3], [1, 3]], float)
    tri = k.Triangulator(np.array([[0, 0], [4, 4]], float))
    v = tri.insert_points(pts)
    assert v.tolist() == list(range(3, 11))
    for i in range(4):
        assert tri.insert_edge(v[i], v[(i + 1) % 4])
        assert tri.insert_edge(v[4 + i], v[4 + (i + 1) % 4])
    tri.resolve_inside()
    triangles, inside = tri.triangles(), tri.inside()
    # kelm-triangulate and the C++ README example print the same figures.
    assert (tri.point_count, len(triangles), int((inside == 1).sum())) == (11, 17, 8)
    p = tri.points()
    a = p[triangles[inside == 1]]
    area = 0.5 * np.abs(np.cross(a[:, 1] - a[:, 0], a[:, 2] - a[:, 0])).sum()
    assert area == 12.0


def test_bad_triangulator_input():
    with pytest.raises(ValueError):
        k.Triangulator([[0, 0], [np.nan, 1]])
    with pytest.raises(ValueError):
        k.Triangulator([[1, 1], [0, 0]])
    tri = k.Triangulator([[0, 0], [1, 1]])
    with pytest.raises(IndexError):
        tri.insert_edge(0, 99)
    with pytest.raises(ValueError):
        tri.insert_points(np.zeros((2, 3)))
