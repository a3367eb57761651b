#ifndef KELMMATH_KELMMATH_H
#define KELMMATH_KELMMATH_H

// The whole public interface of kelmmath.

#include "kelmmath/kelmmath_export.h"

// Core layer
#include "kelmmath/core/core.h"

// Vectors and points, placements, point arrays and bounding boxes
#include "kelmmath/geom/points.h"
#include "kelmmath/geom/vector.h"
#include "kelmmath/geom/vector2d.h"
#include "kelmmath/geom/xform.h"
#include "kelmmath/geom/xform2d.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/bbox.h"
#include "kelmmath/geom/bbox2d.h"

// Units
#include "kelmmath/units/units.h"

// Triangle meshes
#include "kelmmath/mesh/faceprop.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/meshutil.h"

// Mesh topology
#include "kelmmath/topology/topology.h"
#include "kelmmath/topology/writable.h"
#include "kelmmath/topology/dump.h"
#include "kelmmath/topology/check.h"
#include "kelmmath/topology/repair.h"

// 2D constrained Delaunay triangulation
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/delaunay/polygon.h"

// Mesh exchange formats
#include "kelmmath/meshio/xml_writer.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/json_writer.h"

#endif  // KELMMATH_KELMMATH_H
