#ifndef KELMMATH_DELAUNAY_DELAUNAY2D_H
#define KELMMATH_DELAUNAY_DELAUNAY2D_H

#include <memory>

#include "kelmmath/core/constants.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/bbox2d.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/kelmmath_export.h"

namespace kelm_internal {
class DelaunayState;
struct DelaunayAccess;
}

// Incremental constrained Delaunay triangulation of points in the plane, with
// inside/outside labelling of the triangles bounded by border edges.
//
// Life cycle. init(box, yscale) creates the state: three enclosing corners,
// vertices 0 (xmin - dx, ymin - dy), 1 (xmax + 3 dx, ymin - dy) and
// 2 (xmin - dx, ymax + 3 dy) with dx, dy the box's width and height, one
// triangle (0, 1, 2) and the edges 0 = (0, 1), 1 = (1, 2), 2 = (0, 2). Every y
// coordinate is stored multiplied by yscale, and every geometric test works on
// the stored values. init returns 0 when a state exists already, and for a null
// or empty box (a box holding KELM_NULL_REAL); after an empty box the object
// keeps an empty state, so a second init returns 0 too, and every other member
// behaves as without a successful init (below): insertPoint stores nothing and
// returns KELM_NONE. There is no reset.
//
// Points. insertPoint adds one point (x, y) and returns its vertex index;
// caller points are numbered from 3 in insertion order. The point goes to the
// triangle a scan in index order would pick (inside, boundary included, wins at
// once; otherwise the nearest triangle within a barycentric margin of 1e-6),
// found through a search index rather than a scan (a scan still answers for a
// point near a triangle that is flat or turned over); the triangle is split in
// three and the Delaunay property is restored by edge flips. A point equal in
// both stored coordinates to a vertex of the triangle that holds it returns
// that vertex and adds nothing. KELM_NONE is returned for a coordinate equal
// to KELM_NULL_REAL (nothing is added), and, with the point
// left in the vertex list, for a point in no triangle, for a degenerate
// triangle met during the scan, and when the split or a flip finds the tables
// inconsistent (an edge or triangle link that does not match): the tables then
// stay as they stand, flips already done included, and from then on every
// search is a plain scan of the tables. A null point pointer reads as (0, 0).
// insertPoints inserts every point of an array in order, with the same outcome
// as inserting them one by one (on large triangulations it is faster: it looks
// ahead over the points to come while earlier ones go in, so that their memory
// reads overlap with other work); it returns KELM_NONE for an empty array or
// when any insertion failed, else the index of the first point.
//
// Where the process ends. Making the vertex order of a triangle after a split
// or flip agree with the enclosing sense is the one step that does not return
// on an inconsistency: when the triangle shares no side with the triangle it
// was made from, it prints "INTERNAL: get_facet_topology: could not find facet
// edge in facet\n", and when it lacks a vertex of that side "INTERNAL:
// get_facet_topology(2): could requested verts not found\n", on standard output
// and ends the process with exit status 2 (std::exit). Such a triangle has no
// sense to give, and the sense of each later triangle is read from the one it
// replaces, so going on would spread the fault; the stop and its texts are part
// of this class's behaviour. Only tables that are already inconsistent reach
// it (a triangle that repeats a vertex or does not hold the ends of the edge
// being flipped): splits and flips of sound tables never stop here.
//
// Constraints. insertEdge(a, b, border) forces the vertices a and b (indices
// handed out by the insertions) to be joined by an edge, flipping the edges
// that cross the segment, and flags that edge as never to be flipped again; a
// non-zero border also flags it as a border between inside and outside. The
// flag word is replaced (1, or 3 with border), so forcing an edge again with
// border 0 drops its border flag. a == b returns 1 and changes nothing. It
// returns 0 when another constrained edge crosses the segment, when a crossing
// edge lies away from both ends, when the flips cannot bring a and b together,
// or on an inconsistency ("Failed to flip edge\n" is printed when a recovery
// flip fails); flips already done stay. It also returns 0, changing nothing,
// when a or b is not a vertex and when the segment runs exactly through a third
// vertex of the triangulation (insert the two halves instead).
//
// Labelling. resolveInside labels every triangle reachable from the triangle on
// edge 0 (outside every boundary) by crossing parity: crossing a border edge
// toggles inside (1) and outside (0); triangles not reached keep KELM_NONE. It
// returns 1. isInside(tri) returns the label, 1 or 0, and (int)KELM_NONE (-1)
// for a triangle that has no label: not reached, made after the last
// resolveInside, or any triangle before the first. Labels are not updated by
// later insertions.
//
// Reading back. findEdge returns the first edge, in edge order, joining a and
// b in either direction, or KELM_NONE. Triangles and edges are never deleted:
// a split reuses the split triangle's index and appends two, a flip rewrites
// two triangles and one edge in place. All triangles keep the orientation of
// the enclosing triangle (counter-clockwise for a positive yscale). The second
// triangle of an edge on the outer hull is KELM_NONE. getPoint points into the
// vertex list and is invalidated by the next insertion. Getters do not check
// their indices.
//
// Without a successful init every member returns 0, KELM_NONE or a null
// pointer, getTriangle writes KELM_NONE to each non-null output, and the dumps
// print nothing.
//
// Diagnostics. dumpFacets prints each triangle as "# Facet i: (a b c)" followed
// by its closed outline, one "%.15g %.15g" line per corner; dumpMesh prints the
// vertex, triangle and edge tables with their flags. Both write to standard
// output.
//
// Copies are deep: each object owns its own state. Objects are used by one
// thread at a time.
class KELMMATH_API KelmDelaunay2D {
public:
    KelmDelaunay2D();
    ~KelmDelaunay2D();
    KelmDelaunay2D(const KelmDelaunay2D& other);
    KelmDelaunay2D(KelmDelaunay2D&& other) noexcept;
    KelmDelaunay2D& operator=(const KelmDelaunay2D& other);
    KelmDelaunay2D& operator=(KelmDelaunay2D&& other) noexcept;

    int init(KelmBoundingBox2D* box, double yscale);

    unsigned insertPoint(const double* pt);
    unsigned insertPoint(const KelmPoint2D& pt);
    unsigned insertPoints(const KelmReal2DArray& pts);

    int insertEdge(unsigned a, unsigned b, int border);
    int resolveInside();
    int isInside(unsigned tri);

    unsigned findEdge(unsigned a, unsigned b);

    unsigned getPointCount();
    const double* getPoint(unsigned i);
    unsigned getTriangleCount();
    void getTriangle(unsigned* a, unsigned* b, unsigned* c, unsigned tri);
    unsigned getTriangleVertex(unsigned tri, unsigned i);
    unsigned getTriangleEdge(unsigned tri, unsigned i);
    unsigned getEdgeCount();
    unsigned getEdgeVertex(unsigned edge, unsigned i);
    unsigned getEdgeTriangle(unsigned edge, unsigned i);

    void dumpFacets();
    void dumpMesh();

private:
    friend struct kelm_internal::DelaunayAccess;
    std::unique_ptr<kelm_internal::DelaunayState> state_;
};

#endif  // KELMMATH_DELAUNAY_DELAUNAY2D_H
