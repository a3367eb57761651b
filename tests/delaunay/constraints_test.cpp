#include <gtest/gtest.h>

#include "support/delaunay.h"

namespace {

using kelm_internal::DelaunayState;
using kelm_test::dumpMeshText;
const unsigned N = KELM_NONE;

// The dumpMesh line of edge e.
std::string edgeLine(KelmDelaunay2D& d, unsigned e) {
    const std::string text = dumpMeshText(d);
    const std::size_t at = text.find("edge[" + std::to_string(e) + "]=");
    return text.substr(at, text.find('\n', at) - at);
}

// Edges whose interiors cross the open segment between vertices a and b.
unsigned edgesCrossing(KelmDelaunay2D& d, unsigned a, unsigned b) {
    unsigned count = 0;
    for (unsigned e = 0; e < d.getEdgeCount(); ++e) {
        const double *pa = d.getPoint(a), *pb = d.getPoint(b);
        const double *pu = d.getPoint(d.getEdgeVertex(e, 0)),
                     *pw = d.getPoint(d.getEdgeVertex(e, 1));
        if (kelm_test::signedArea2(pa, pb, pu) * kelm_test::signedArea2(pa, pb, pw) < 0 &&
            kelm_test::signedArea2(pu, pw, pa) * kelm_test::signedArea2(pu, pw, pb) < 0)
            ++count;
    }
    return count;
}

bool centroidIn(KelmDelaunay2D& d, unsigned t, const std::vector<std::vector<double>>& loops) {
    double x = 0, y = 0;
    for (unsigned k = 0; k < 3; ++k) {
        x += d.getPoint(d.getTriangleVertex(t, k))[0] / 3;
        y += d.getPoint(d.getTriangleVertex(t, k))[1] / 3;
    }
    bool in = false;  // even-odd rule over all loops
    for (const auto& c : loops)
        for (std::size_t i = 0, j = c.size() - 2; i < c.size(); j = i, i += 2)
            if ((c[i + 1] > y) != (c[j + 1] > y) &&
                x < (c[j] - c[i]) * (y - c[i + 1]) / (c[j + 1] - c[i + 1]) + c[i])
                in = !in;
    return in;
}

// A triangulator on the box (0, 0)-(1, 1) with the points, vertices 3 on.
KelmDelaunay2D build(const std::vector<double>& xy) {
    KelmDelaunay2D d = kelm_test::unitTriangulator();
    for (std::size_t i = 0; i < xy.size(); i += 2) EXPECT_NE(d.insertPoint(&xy[i]), N) << i;
    return d;
}

// Vertices 3 = (0, 0.5) and 4 = (1, 0.5) with a zigzag of points between them.
const std::vector<double> kZigzag = {0.0,  0.5,  1.0, 0.5, 0.3,  0.6,  0.35, 0.4, 0.5, 0.62,
                                     0.55, 0.38, 0.7, 0.6, 0.75, 0.41, 0.5,  0.9, 0.5, 0.1};

TEST(KelmDelaunay2DInsertEdge, ExistingEdgesGetTheFlagWordOthersAreRecovered) {
    KelmDelaunay2D d = build(kZigzag);
    const std::string before = dumpMeshText(d);
    EXPECT_EQ(d.insertEdge(5, 5, 1), 1);
    EXPECT_EQ(d.insertEdge(3, 999, 1), 0);
    EXPECT_EQ(dumpMeshText(d), before);
    const unsigned e = d.findEdge(5, 6);
    ASSERT_NE(e, N);
    const std::string line = edgeLine(d, e);
    EXPECT_EQ(d.insertEdge(6, 5, 7), 1);
    EXPECT_EQ(edgeLine(d, e), line + " (no flip) (border)");
    EXPECT_EQ(d.insertEdge(5, 6, 0), 1);  // the whole word is replaced
    EXPECT_EQ(edgeLine(d, e), line + " (no flip)");
    std::string now = dumpMeshText(d);
    EXPECT_EQ(now.erase(now.find(" (no flip)"), 10), before);

    // A long constraint is recovered by flips alone and kept by later insertions.
    KelmDelaunay2D z = build(kZigzag);
    ASSERT_GT(edgesCrossing(z, 3, 4), 2u);
    const unsigned triangles = z.getTriangleCount(), edges = z.getEdgeCount();
    EXPECT_EQ(z.insertEdge(3, 4, 1), 1);
    const unsigned kept = z.findEdge(3, 4);
    ASSERT_NE(kept, N);
    EXPECT_EQ(z.getTriangleCount() + z.getEdgeCount(), triangles + edges);  // flips only
    EXPECT_EQ(kelm_test::triangulation_problem(z, true), "");
    kelm_test::expect_golden("delaunay_constrained_mesh.txt", dumpMeshText(z));
    // Points right beside it would flip it away in a plain triangulation.
    ASSERT_NE(z.insertPoint(KelmPoint2D(0.45, 0.501)), N);
    ASSERT_NE(z.insertPoint(KelmPoint2D(0.62, 0.499)), N);
    EXPECT_EQ(z.findEdge(3, 4), kept);
    EXPECT_EQ(edgesCrossing(z, 3, 4), 0u);
    EXPECT_TRUE(kelm_test::passesAngleTest(z, {kept}));
}

TEST(KelmDelaunay2DInsertEdge, RefusedSegmentsChangeNothingFailedFlipsAreReported) {
    // A rhombus: forcing 3-4 flips its diagonal 5-6, which is then blocked.
    KelmDelaunay2D d = build({0, 0.5, 1, 0.5, 0.5, 0.9, 0.5, 0.1});
    const unsigned diagonal = d.findEdge(5, 6);
    ASSERT_EQ(d.insertEdge(3, 4, 0), 1);
    EXPECT_EQ(d.findEdge(3, 4), diagonal);
    std::string before = dumpMeshText(d);
    {
        kelm_test::StdoutCapture capture;
        EXPECT_EQ(d.insertEdge(5, 6, 1), 0);
        EXPECT_EQ(capture.text(), "");
    }
    EXPECT_EQ(dumpMeshText(d), before);

    // A segment exactly through a third vertex (4) is refused; its halves are not.
    KelmDelaunay2D line =
        build({0.2, 0.5, 0.5, 0.5, 0.8, 0.5, 0.5, 0.8, 0.5, 0.2, 0.35, 0.6, 0.65, 0.4});
    before = dumpMeshText(line);
    EXPECT_EQ(line.insertEdge(5, 3, 1), 0);
    EXPECT_EQ(dumpMeshText(line), before);
    EXPECT_EQ(line.insertEdge(3, 4, 1) + line.insertEdge(4, 5, 1), 2);
    // Segments to enclosing corners end without harm.
    EXPECT_EQ(line.insertEdge(0, 1, 1), 1);  // an enclosing side: only its flags change
    EXPECT_EQ(edgeLine(line, 0), "edge[0]= 0 1 (no flip) (border)");
    line.insertEdge(0, 7, 1);
    line.insertEdge(2, 8, 0);
    EXPECT_EQ(line.resolveInside(), 1);

    // Grid points i/7, j/7: the second constraint gives up part of the way
    // (flips stay), and the fourth then meets a flip that cannot be made.
    const int rows[4][2] = {{2, 7}, {0, 7}, {0, 7}, {0, 1}};
    std::vector<double> grid;
    for (int i = 0; i < 4; ++i)
        for (int j = rows[i][0]; j <= rows[i][1]; ++j) grid.insert(grid.end(), {i / 7.0, j / 7.0});
    KelmDelaunay2D g = build(grid);
    kelm_test::StdoutCapture capture;
    EXPECT_EQ(g.insertEdge(26, 15, 1), 1);
    EXPECT_EQ(g.insertEdge(23, 4, 0), 0);
    EXPECT_EQ(g.insertEdge(10, 7, 0), 1);
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(g.insertEdge(15, 4, 0), 0);
    EXPECT_EQ(capture.text(), "Failed to flip edge\n");
}

TEST(KelmDelaunay2DResolveInside, LabelsFollowTheBorders) {
    KelmDelaunay2D d =
        build({0.2, 0.2, 0.8, 0.2, 0.8, 0.8, 0.2, 0.8, 0.5, 0.5, 0.3, 0.6, 0.7, 0.35, 0.45, 0.25});
    ASSERT_EQ(d.resolveInside(), 1);  // no border: all outside
    for (unsigned t = 0; t < d.getTriangleCount(); ++t) EXPECT_EQ(d.isInside(t), 0);
    for (unsigned k = 0; k < 4; ++k) ASSERT_EQ(d.insertEdge(3 + k, 3 + (k + 1) % 4, 1), 1);
    EXPECT_EQ(d.resolveInside(), 1);
    const std::vector<std::vector<double>> square = {{0.2, 0.2, 0.8, 0.2, 0.8, 0.8, 0.2, 0.8}};
    unsigned inside = 0;
    for (unsigned t = 0; t < d.getTriangleCount(); ++t) {
        EXPECT_EQ(d.isInside(t), centroidIn(d, t, square) ? 1 : 0) << t;
        inside += d.isInside(t) == 1;
    }
    EXPECT_EQ(inside, 10u);  // 4 inner points in a square: 2 * 4 + 2
    EXPECT_EQ(d.isInside(d.getEdgeTriangle(0, 0)), 0);
    kelm_test::expect_golden("delaunay_labelled_mesh.txt", dumpMeshText(d));

    // Triangles made later have no label until the next resolveInside.
    const unsigned before = d.getTriangleCount();
    ASSERT_NE(d.insertPoint(KelmPoint2D(0.6, 0.6)), N);
    EXPECT_EQ(d.isInside(before) & d.isInside(before + 1) & d.isInside(3 * before), -1);
    EXPECT_EQ(d.resolveInside(), 1);
    EXPECT_EQ(d.isInside(before) + d.isInside(before + 1), 2);

    // Loops with holes, each side cut in five, among random points.
    const std::vector<std::vector<double>> loops = {{0.1, 0.1, 0.9, 0.1, 0.9, 0.9, 0.1, 0.9},
                                                    {0.3, 0.3, 0.3, 0.5, 0.5, 0.5, 0.5, 0.3},
                                                    {0.6, 0.6, 0.8, 0.62, 0.7, 0.8}};
    for (unsigned seed : {3u, 4u, 5u}) {
        SCOPED_TRACE(seed);
        KelmDelaunay2D h = kelm_test::unitTriangulator();
        std::vector<std::vector<unsigned>> ids;  // each side cut in five
        for (const auto& c : loops) {
            ids.emplace_back();
            for (std::size_t i = 0; i < c.size(); i += 2) {
                const std::size_t j = (i + 2) % c.size();
                for (int k = 0; k < 5; ++k)
                    ids.back().push_back(
                        h.insertPoint(KelmPoint2D(c[i] + k / 5.0 * (c[j] - c[i]),
                                                  c[i + 1] + k / 5.0 * (c[j + 1] - c[i + 1]))));
            }
        }
        for (const auto& p : kelm_test::randomPoints(seed, 150, 0, 0, 1, 1))
            ASSERT_NE(h.insertPoint(KelmPoint2D(p.first, p.second)), N);
        for (const auto& loop : ids)
            for (std::size_t i = 0; i < loop.size(); ++i)
                ASSERT_EQ(h.insertEdge(loop[i], loop[(i + 1) % loop.size()], 1), 1) << i;
        ASSERT_EQ(kelm_test::triangulation_problem(h, true), "");
        EXPECT_EQ(h.resolveInside(), 1);
        for (unsigned t = 0; t < h.getTriangleCount(); ++t)
            EXPECT_EQ(h.isInside(t), centroidIn(h, t, loops) ? 1 : 0) << t;
    }
}

// Edges for the fill alone (it reads no vertex).
void addEdge(DelaunayState& s, unsigned t0, unsigned t1, unsigned flags) {
    s.edgeFlags(s.addEdge(0, 0, t0, t1)) = flags;
}

TEST(DelaunayFillInside, DepthFirstOrderOnAnExplicitStack) {
    // Seed 0 touches 1 and 2; 1 reaches 3 over a border edge, 3 reaches 2 over
    // a plain one. Depth first, 2 is reached through 0-1-3 and labelled 1 (a
    // breadth-first fill would give 0).
    DelaunayState s;
    EXPECT_EQ(s.resolveInside(), 0);  // no edge: no triangle to start from
    const unsigned border = kelm_internal::kBorderBit | kelm_internal::kNoFlipBit;
    const unsigned edges[5][3] = {{0, N, 0}, {0, 1, 0}, {0, 2, 0}, {1, 3, border}, {3, 2, 0}};
    const unsigned tris[4][3] = {{0, 1, 2}, {1, 3, N}, {2, 4, N}, {3, 4, N}};
    for (const auto& e : edges) addEdge(s, e[0], e[1], e[2]);
    for (const auto& t : tris) s.addTriangle(0, 0, 0, t[0], t[1], t[2]);
    EXPECT_EQ(s.resolveInside(), 1);
    EXPECT_EQ(std::vector<unsigned>(s.tri_labels.data(), s.tri_labels.data() + 5),
              (std::vector<unsigned>{0, 0, 1, 1, N}));
    EXPECT_EQ(s.tri_labels.size(), 12u);
    EXPECT_EQ(s.fillInside(3, 0), 0);  // labelled already
    s.edgeTris(4)[0] = 7;              // 3 is not on its own edge 4: the fill stops there
    EXPECT_EQ(s.resolveInside(), 1);
    EXPECT_EQ(s.tri_labels[3], 1u);
    EXPECT_EQ(s.tri_labels[2], N);

    // A strip a million triangles long, every edge a border: labels alternate
    // and the fill goes a million levels deep.
    DelaunayState strip;
    const unsigned n = 1000000;
    addEdge(strip, 0, N, 0);
    for (unsigned i = 1; i < n; ++i) addEdge(strip, i - 1, i, kelm_internal::kBorderBit);
    for (unsigned i = 0; i < n; ++i) strip.addTriangle(0, 0, 0, i, i + 1 < n ? i + 1 : N, N);
    EXPECT_EQ(strip.resolveInside(), 1);
    unsigned wrong = 0;
    for (unsigned i = 0; i < n; ++i) wrong += strip.tri_labels[i] != i % 2;
    EXPECT_EQ(wrong, 0u);
}

}  // namespace
