"""Units and placements: scalars and arrays, shapes kept, bad input refused."""
import numpy as np
import pytest

import kelmmath as k


def test_unit_names_and_conversions():
    assert k.unit_name("INCH") == "in" and k.unit_fullname("mm") == "millimetre"
    assert k.measure_type("mm/min") == "linear speed"
    assert k.rate_unit("mm", "min") == "mm/min"
    assert k.convert(25.4, "mm", "in") == pytest.approx(1.0, abs=1e-15)
    assert k.convert(20, "C", "F") == 68.0
    values = np.array([[0.0, 100.0], [-40.0, 37.0]])
    out = k.convert(values, "C", "F")
    assert out.shape == (2, 2) and out.dtype == np.float64
    np.testing.assert_allclose(out, [[32.0, 212.0], [-40.0, 98.6]], rtol=1e-15)
    pts = k.convert_points(np.array([[25.4, 50.8, 0.0]]), "mm", "in")
    np.testing.assert_allclose(pts, [[1.0, 2.0, 0.0]], rtol=1e-15)
    assert k.convert_points(np.ones((4, 2), np.float32), "m", "mm").shape == (4, 2)


@pytest.mark.parametrize("call, error", [
    (lambda: k.convert(1.0, "mm", "deg"), ValueError),
    (lambda: k.unit("furlong"), ValueError),
    (lambda: k.unit(2.5), TypeError),
    (lambda: k.convert_points(np.ones((3, 4)), "mm", "in"), ValueError),
    (lambda: k.rate_unit("deg", "mm"), ValueError),
    (lambda: k.xform_inverse(np.zeros((4, 4))), k.KelmError),
    (lambda: k.xform_apply(np.eye(3), [[0, 0, 0]]), ValueError),
    (lambda: k.xform_translation([0, np.nan, 0]), ValueError),
    (lambda: k.xform_apply(np.eye(4), np.array([["a", "b", "c"]])), TypeError),
])
def test_unit_and_placement_errors(call, error):
    with pytest.raises(error):
        call()


def test_placements_round_trip():
    turn = k.xform_rotation([0, 0, 1], 90.0)
    move = k.xform_translation([10.0, 0.0, 0.0])
    both = k.xform_compose(move, turn)  # turn first, then move
    assert both.shape == (4, 4) and both[3].tolist() == [0, 0, 0, 1]
    np.testing.assert_allclose(both[:3, 3], [10, 0, 0])
    q = k.xform_apply(both, np.array([[1.0, 0.0, 0.0], [0.0, 0.0, 2.0]]))
    np.testing.assert_allclose(q, [[10, 1, 0], [10, 0, 2]], atol=1e-15)
    back = k.xform_apply(k.xform_inverse(both), q)
    np.testing.assert_allclose(back, [[1, 0, 0], [0, 0, 2]], atol=1e-14)
    np.testing.assert_allclose(k.xform_apply_dir(both, [[1.0, 0.0, 0.0]]), [[0, 1, 0]], atol=1e-15)
    np.testing.assert_allclose(k.xform_rotation([0, 0, 1], np.pi / 2, "radian"), turn, atol=1e-15)
    assert (k.xform_identity() == np.eye(4)).all()
