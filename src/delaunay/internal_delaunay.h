#ifndef KELMMATH_DELAUNAY_INTERNAL_DELAUNAY_H
#define KELMMATH_DELAUNAY_INTERNAL_DELAUNAY_H

// The triangulation state behind KelmDelaunay2D and the operations on it,
// shared by delaunay2d.cpp (points, flips, getters, dumps) and constraints.cpp
// (constrained edges, labelling).

#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"

namespace kelm_internal {

// Edge flag bits.
constexpr unsigned kNoFlipBit = 1u;  // constrained: legalisation never flips it
constexpr unsigned kBorderBit = 2u;  // separates inside from outside

// Labels written by the inside fill.
constexpr unsigned kOutside = 0u;
constexpr unsigned kInside = 1u;

// Where a point lies relative to a triangle (classifyPoint).
enum class PointClass { kInside, kNear, kOutside, kDegenerate };

// Barycentric test of point p against the triangle (p0, p1, p2). For kNear,
// *nearness receives the negative weight (first two cases) or the positive
// excess of the weight sum over 1 (third case); it is left alone otherwise.
PointClass classifyPoint(const double* p0, const double* p1, const double* p2, const double* p,
                         double* nearness);

// Angle form of the Delaunay test for the edge (a, b) shared by the triangles
// (a, b, p) and (a, b, q): 1 when the angles at p and q add up to more than 180
// degrees. No tolerance; a NaN anywhere gives 0.
int needsFlip(const double* a, const double* b, const double* p, const double* q);

// 1 when the closed segments AB and CD meet (touching at an end counts); 0 for
// segments parallel within a sine of 1e-10.
int segmentsCross(const double* A, const double* B, const double* C, const double* D);

// Absolute area of the triangle (a, b, c).
double triangleArea(const double* a, const double* b, const double* c);

class DelaunayState {
public:
    // Field order follows the data model: point list, triangle vertices, edge
    // vertices, edge flags, triangle labels, triangle edges, edge triangles.
    kelm_real_vector points;      // x, scaled y per vertex
    kelm_uint_vector tri_verts;   // 3 per triangle
    kelm_uint_vector edge_verts;  // 2 per edge
    kelm_uint_vector edge_flags;  // 1 per edge
    kelm_uint_vector tri_labels;  // resized to tri_verts.size() by resolveInside
    kelm_uint_vector tri_edges;   // 3 per triangle
    kelm_uint_vector edge_tris;   // 2 per edge, second KELM_NONE on the hull
    double yscale = 1.0;

    unsigned pointCount() const { return points.size() / 2; }
    unsigned triangleCount() const { return tri_verts.size() / 3; }
    unsigned edgeCount() const { return edge_verts.size() / 2; }
    const double* point(unsigned v) const { return points.data() + 2 * v; }

    // Appends (x, yscale * y); returns the new vertex index.
    unsigned addPoint(double x, double y);
    // Appends the edge (a, b) with flag 0 and the triangles (t0, t1).
    unsigned addEdge(unsigned a, unsigned b, unsigned t0, unsigned t1);

    // 1 when tri is a triangle holding vertex v (KELM_NONE holds nothing).
    bool holds(unsigned tri, unsigned v) const;
    // The triangle across edge e from tri; *on_edge is false when tri is not
    // one of e's triangles.
    unsigned otherTriangle(unsigned e, unsigned tri, bool* on_edge) const;
    // The edge of tri joining u and w in either direction, or KELM_NONE.
    unsigned triangleEdgeJoining(unsigned tri, unsigned u, unsigned w) const;

    // --- point insertion -------------------------------------------------
    int init(const double* box, double y_scale);
    unsigned insertPoint(double x, double y);
    // The three searches below are plain scans in index order; each is the
    // single place where its search happens, so that a faster search can be
    // put beside it and checked against it.
    // Triangle that takes point P (inside wins, else the nearest near one), or
    // KELM_NONE when the scan meets a degenerate triangle first or finds none.
    unsigned locatePoint(const double* P) const;
    // First edge joining a and b, in either direction, or KELM_NONE.
    unsigned findEdge(unsigned a, unsigned b) const;
    // The edge to flip next while forcing (a, b) in, or KELM_NONE.
    unsigned findCrossingEdge(unsigned a, unsigned b) const;

    int splitTriangle(unsigned t, unsigned p);
    // Gives tri the vertex order sense of the reference triangle (r0, r1, r2).
    void orientLike(unsigned tri, unsigned r0, unsigned r1, unsigned r2);
    // Swaps tri's first two vertices when it holds y before x cyclically; stops
    // the process when tri lacks x or y.
    void orientPair(unsigned tri, unsigned x, unsigned y);
    unsigned oppositeVertex(unsigned tri, unsigned edge) const;
    int needsFlip(unsigned edge, unsigned p, unsigned q) const;
    int flipEdge(unsigned e, unsigned tp, unsigned tq, unsigned p, unsigned q);
    int legalizeEdge(unsigned e, unsigned p);
    int legalizeOpposite(unsigned tri, unsigned p);

    // --- constraints and labelling ---------------------------------------
    int insertEdge(unsigned a, unsigned b, int border);
    // A vertex of the triangulation, other than a and b, lying exactly on the
    // open segment (a, b), or KELM_NONE.
    unsigned vertexOnSegment(unsigned a, unsigned b) const;
    double flipGain(unsigned e) const;
    int legalizeOtherEdges(unsigned t, unsigned e);
    int relegalizeEdge(unsigned f);
    int resolveInside();
    int fillInside(unsigned t, unsigned value);

    // --- diagnostics -----------------------------------------------------
    void dumpFacets() const;
    void dumpMesh() const;

private:
    int makeTriangle(unsigned t, unsigned f, unsigned g);
    unsigned edgeAwayFrom(unsigned tri, unsigned p) const;
    int legalizeStep(unsigned e, unsigned p, std::vector<unsigned>* pending);
};

}  // namespace kelm_internal

#endif  // KELMMATH_DELAUNAY_INTERNAL_DELAUNAY_H
