"""kelmmath: geometry and mesh mathematics for CAD and machining software.

Meshes, topology, units, placements and the constrained Delaunay triangulator of the
kelmmath C++ library, with NumPy arrays in and out. What the library reports as an error
raises :class:`KelmError` (its ``messages`` attribute holds every report); what it
reports as a warning goes to Python's :mod:`warnings` as :class:`KelmWarning`.
"""

from ._kelmmath import *  # noqa: F401,F403
from ._kelmmath import KelmError, KelmWarning, NONE, NO_COLOR  # noqa: F401

__all__ = [name for name in dir() if not name.startswith("_")]
