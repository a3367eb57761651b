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


@pytest.mark.parametrize("call, error", [
    (lambda: k.Triangulator([[0, 0], [np.nan, 1]]), ValueError),
    (lambda: k.Triangulator([[1, 1], [0, 0]]), ValueError),
    (lambda: k.Triangulator([[0, 0], [1, 1]]).insert_edge(0, 99), IndexError),
    (lambda: k.Triangulator([[0, 0], [1, 1]]).insert_points(np.zeros((2, 3))), ValueError),
    (lambda: k.triangulate_polygon([np.array([[0, 0], [1, np.nan], [0, 1]])]), ValueError),
    (lambda: k.triangulate_polygon([np.zeros((3, 3))]), ValueError),
    (lambda: k.triangulate_polygon([np.eye(3)[:, :2]], fill="winding"), ValueError),
    (lambda: k.triangulate_polygon([]), k.KelmError),
])
def test_bad_triangulator_and_polygon_input(call, error):
    with pytest.raises(error):
        call()


def area(points, triangles):
    a = points[triangles]
    return 0.5 * np.cross(a[:, 1] - a[:, 0], a[:, 2] - a[:, 0]).sum()


def test_polygon_rings_as_they_come():
    # The C++ example's outline, hole sharing its edge, and bowtie give the same figures.
    rings = [np.array([[0, 0], [4, 0], [4, 4], [0, 4]], float),
             np.array([[3, 1], [3, 3], [4, 3], [4, 1]], float),
             np.array([[5, 0], [7, 2], [7, 0], [5, 2]], float)]
    points, triangles, n_in = k.triangulate_polygon(rings)
    assert (len(points), n_in, len(triangles)) == (13, 12, 8)
    assert area(points, triangles) == 16.0 and points[12].tolist() == [6.0, 1.0]
    assert triangles.dtype == np.uint32 and points.dtype == np.float64
    # Two overlapping squares counted once under non-zero, their overlap left out under even-odd.
    sq = [np.array([[0, 0], [2, 0], [2, 2], [0, 2]]), np.array([[1, 1], [3, 1], [3, 3], [1, 3]])]
    assert area(*k.triangulate_polygon(sq, "nonzero")[:2]) == 7.0
    assert area(*k.triangulate_polygon(sq, "evenodd")[:2]) == 6.0


def test_polygon_short_ring_is_skipped_with_a_warning():
    with pytest.warns(k.KelmWarning):
        pts, tris, _ = k.triangulate_polygon([np.array([[0, 0], [1, 0], [0, 1]]),
                                              np.array([[5, 5], [6, 6]])])
    assert len(tris) == 1
