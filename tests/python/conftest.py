"""Shared fixtures; ctest puts the build tree's package on PYTHONPATH."""
import pytest


@pytest.fixture
def box():
    import kelmmath
    return kelmmath.Mesh.box(0.0, 0.0, 0.0, 10.0, 20.0, 5.0)
