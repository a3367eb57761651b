// The indexed searches against the plain scans: the same runs, prints and answers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <tuple>

#include "support/delaunay.h"

namespace {

using kelm_internal::DelaunayState;
using kelm_internal::PointClass;
using kelm_internal::SearchMode;
using kelm_test::DelaunayCase;
using kelm_test::DelaunayOp;
using kelm_test::unitState;
const unsigned N = KELM_NONE;

// Everything a case returns and prints on a fresh state, the final dumps included;
// grouped, runs of points go in through insertRun as insertPoints sends them.
std::string transcript(const DelaunayCase& c, DelaunayState& s, bool grouped = false) {
    std::ostringstream out;
    kelm_test::StdoutCapture capture;
    out << "init " << s.init(c.box, c.yscale) << '\n';
    std::vector<double> group;
    for (std::size_t i = 0; i <= c.ops.size(); ++i) {
        const DelaunayOp* op = i < c.ops.size() ? &c.ops[i] : nullptr;
        if (grouped && op && op->kind == DelaunayOp::kPoint) {
            group.insert(group.end(), {op->x, op->y});
            continue;
        }
        if (!group.empty()) {
            std::vector<unsigned> vertices(group.size() / 2, 12345u);
            s.insertRun(group.data(), static_cast<unsigned>(vertices.size()), vertices.data());
            for (unsigned v : vertices) out << v << ' ';
            group.clear();
        }
        if (!op) break;
        if (op->kind == DelaunayOp::kPoint) out << s.insertPoint(op->x, op->y) << ' ';
        if (op->kind == DelaunayOp::kEdge)
            out << 'e' << s.insertEdge(op->a, op->b, op->border) << ' ';
        if (op->kind == DelaunayOp::kResolve) out << 'r' << s.resolveInside() << ' ';
    }
    out << '\n';
    s.dumpMesh();
    s.dumpFacets();
    return out.str() + capture.text();
}

// Every search of an indexed state against its plain scan, near vertices, edges,
// the hull and far out.
::testing::AssertionResult probesAgree(DelaunayState& s, unsigned seed) {
    if (!s.indexed()) return ::testing::AssertionSuccess();
    kelm_test::Draw draw(seed);
    const unsigned np = s.pointCount(), ne = s.edgeCount();
    const kelm_internal::SearchIndex& index = s.searchIndex();
    const double w = index.hi[0] - index.lo[0], h = index.hi[1] - index.lo[1];
    for (unsigned i = 0; i < 24; ++i) {
        const unsigned e = draw.below(ne);
        const double *a = s.point(s.edgeVerts(e)[0]), *b = s.point(s.edgeVerts(e)[1]);
        const double f = draw.uniform();
        // Anywhere over the vertices, on a vertex, on or next to an edge, just off an
        // edge, around the enclosing triangle, far out.
        const unsigned kind = i % 6;
        double P[2] = {a[0] + f * (b[0] - a[0]), a[1] + f * (b[1] - a[1])};
        if (kind == 1) P[0] = a[0], P[1] = a[1];
        for (unsigned k = 0; k < 2 && kind != 1 && kind != 2; ++k) {
            const double u = draw.uniform(), lo = index.lo[k], size = k ? h : w;
            if (kind == 0) P[k] = lo + size * u;
            if (kind == 3) P[k] = (a[k] + b[k]) / 2 + (u - 0.5) * 1e-6 * (w + h);
            if (kind == 4) P[k] = lo + size * (1.2 * u - 0.1);
            if (kind == 5) P[k] = lo + size * (u - 0.5) * 1e3;
        }
        const unsigned plain = s.locatePoint(P), fast = s.locatePointIndexed(P);
        if (plain != fast)
            return ::testing::AssertionFailure() << "locate (" << P[0] << ", " << P[1]
                                                 << "): plain " << plain << " indexed " << fast;
    }
    for (unsigned i = 0; i < 24; ++i) {
        unsigned a = draw.below(np + 2), b = draw.below(np + 2);
        if (i % 3 == 0) {  // the ends of an edge, either way round
            const unsigned e = draw.below(ne);
            a = s.edgeVerts(e)[i & 1], b = s.edgeVerts(e)[1 - (i & 1)];
        }
        if (s.findEdge(a, b) != s.findEdgeIndexed(a, b))
            return ::testing::AssertionFailure() << "findEdge " << a << " " << b;
        if (a >= np || b >= np) continue;
        if ((s.vertexOnSegment(a, b) == N) != (s.vertexOnSegmentIndexed(a, b) == N))
            return ::testing::AssertionFailure() << "vertex on segment " << a << " " << b;
        kelm_internal::CrossingSearch crossing(s, a, b);
        if (crossing.start() && crossing.next() != s.findCrossingEdge(a, b))
            return ::testing::AssertionFailure() << "crossing edge " << a << " " << b;
    }
    const std::string problem = kelm_test::checkIndex(s);
    if (!problem.empty()) return ::testing::AssertionFailure() << "index: " << problem;
    return ::testing::AssertionSuccess();
}

TEST(DelaunaySearch, ScanOrderAndSideReach) {
    // The lowest inside triangle wins unless a degenerate one comes first (the scan
    // stops); else the greatest nearness as a value, ties to the lower number.
    const PointClass in = PointClass::kInside, near = PointClass::kNear;
    const PointClass flat = PointClass::kDegenerate, out = PointClass::kOutside;
    const struct {
        std::vector<std::tuple<unsigned, PointClass, double>> adds;
        unsigned result;
        bool hit;
    } rows[] = {
        {{}, N, false},
        {{{9, in, 0}, {4, near, 0.5}, {5, in, 0}, {7, flat, 0}, {5, in, 0}}, 5, true},
        {{{6, in, 0}, {2, flat, 0}, {1, near, -1e-7}}, N, true},
        {{{8, near, -2e-7}, {3, out, 0}, {6, near, 3e-7}, {9, near, 3e-7}, {1, near, -1e-7}}, 6, 0},
        {{{8, near, -2e-7}, {6, near, 3e-7}, {9, near, 3e-7}, {4, near, 3e-7}}, 4, false},
    };
    for (const auto& r : rows) {
        kelm_internal::ScanOutcome scan;
        for (const auto& a : r.adds) scan.add(std::get<0>(a), std::get<1>(a), std::get<2>(a));
        EXPECT_EQ(scan.result(), r.result) << r.adds.size();
        EXPECT_EQ(scan.hit(), r.hit) << r.adds.size();
    }

    // segmentWithin agrees with segmentDistanceSq(p, a, b) <= r2 away from rounding
    // of the radius, before a, past b and beside; a NaN counts as within.
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    unsigned beside = 0, ends = 0;
    for (unsigned k = 0; k < 200000; ++k) {
        const double scale = std::pow(2.0, static_cast<int>(gen() % 120) - 40);
        const double shift = (gen() % 4 == 0) ? scale * 1e6 : 0.0;
        const double a[2] = {shift + scale * unit(gen), scale * unit(gen)};
        const double b[2] = {shift + scale * unit(gen), scale * unit(gen)};
        const double p[2] = {shift + scale * unit(gen), scale * unit(gen)};
        const double d2 = kelm_internal::segmentDistanceSq(p, a, b);
        const double dx = b[0] - a[0], dy = b[1] - a[1];
        const double along = (p[0] - a[0]) * dx + (p[1] - a[1]) * dy;
        (along > 0 && along < dx * dx + dy * dy ? beside : ends) += 1;
        // Radii just under and just over the distance, and far from it.
        for (double f : {0.999999, 1.000001, 0.5, 2.0}) {
            const double r2 = d2 * f;
            ASSERT_EQ(kelm_internal::segmentWithin(p, a, b, r2), d2 <= r2)
                << k << " f " << f << " d2 " << d2;
        }
    }
    EXPECT_GT(beside, 20000u);
    EXPECT_GT(ends, 20000u);
    const double a[2] = {0, 0}, b[2] = {1, 0}, on[2] = {0.5, 0}, nan[2] = {NAN, 0};
    EXPECT_TRUE(kelm_internal::segmentWithin(on, a, b, 0.0));
    EXPECT_TRUE(kelm_internal::segmentWithin(nan, a, b, 1e-12));
    EXPECT_TRUE(kelm_internal::segmentWithin(a, a, a, 0.0));  // a point as the segment
}

// Sets the triangle count from which groups look ahead, for a scope.
struct LookAheadScope {
    explicit LookAheadScope(unsigned from) { kelm_internal::setLookAheadFrom(from); }
    ~LookAheadScope() { kelm_internal::setLookAheadFrom(saved); }
    const unsigned saved = kelm_internal::lookAheadFrom();
};

// A whole lookahead: starts[i] is where the search for point i may start, or none.
// Answers a character a point: '+' for a triangle of s, '-' for none, '?' else.
std::string lookAhead(const DelaunayState& s, const double* xy, unsigned count, unsigned* starts) {
    DelaunayState::LookAheadRun run;
    s.lookAheadBegin(&run, xy, count);
    while (s.lookAheadPass(&run)) continue;
    std::string kinds;
    for (unsigned i = 0; i < run.count; ++i)
        kinds += (starts[i] = run.starts[i]) < s.triangleCount() ? '+' : starts[i] == N ? '-' : '?';
    return kinds;
}

TEST(DelaunaySearch, IndexedRunsMatchPlainRuns) {
    // Generated cases of every family: both modes return and print the same, and so
    // does the indexed mode with the points sent in groups that look ahead from the
    // first triangle on; the indexed states then answer every probe as the plain scans.
    const char* text = std::getenv("KELMMATH_DELAUNAY_CASES");
    const long wanted = text ? std::strtol(text, nullptr, 10) : 0;
    const unsigned cases = wanted > 0 ? static_cast<unsigned>(wanted) : 10000u;
    using Counters = kelm_internal::SearchIndex::Counters;
    std::map<std::string, Counters> by_family;
    LookAheadScope scope(0);  // only insertRun, in the grouped runs, looks ahead
    unsigned indexed_states = 0;
    for (unsigned i = 0; i < cases; ++i) {
        const DelaunayCase c = kelm_test::makeDelaunayCase(i);
        DelaunayState plain(SearchMode::kPlainScans), fast(SearchMode::kIndexed);
        const std::string a = transcript(c, plain);
        ASSERT_EQ(a, transcript(c, fast)) << "case " << i << " (" << c.family << ")";
        ASSERT_FALSE(plain.indexed());
        ASSERT_TRUE(probesAgree(fast, i)) << "case " << i << " (" << c.family << ")";
        DelaunayState grouped(SearchMode::kIndexed);
        ASSERT_EQ(a, transcript(c, grouped, true)) << "grouped case " << i;
        ASSERT_TRUE(probesAgree(grouped, i)) << "grouped case " << i;
        const auto& n = fast.searchIndex().counters;
        auto& total = by_family[c.family];
        for (auto m :
             {&Counters::indexed_locates, &Counters::plain_locates, &Counters::indexed_edges,
              &Counters::plain_edges, &Counters::indexed_crossings, &Counters::plain_crossings})
            total.*m += n.*m;
        indexed_states += fast.indexed();
    }
    // The comparison means something only if the index did the work: every edge
    // search is indexed, and the plain scans locate few points except near the flat or
    // turned-over triangles that rounding, clusters and the enclosing triangle make.
    EXPECT_GT(indexed_states, cases * 8 / 10);
    for (const auto& [name, n] : by_family) {
        EXPECT_EQ(n.plain_edges + n.plain_crossings, 0u) << name;
        if (name != "clusters" && name != "enclosing" && name != "rounding") {
            EXPECT_GT(n.indexed_locates, 10 * n.plain_locates) << name;
        }
    }
    const Counters& constrained = by_family["constrained"];
    EXPECT_TRUE(cases < 1000 || (constrained.indexed_edges && constrained.indexed_crossings));
}

TEST(DelaunaySearch, LookAheadGivesAStartOrNone) {
    // The default mode is honoured; a lookahead gives a triangle where the walk can
    // start, or none for points no walk goes to.
    EXPECT_EQ(kelm_internal::lookAheadFrom(), 1u << 16);
    EXPECT_EQ(DelaunayState().mode(), SearchMode::kIndexed);
    kelm_internal::setDefaultSearchMode(SearchMode::kPlainScans);
    EXPECT_EQ(DelaunayState().mode(), SearchMode::kPlainScans);
    kelm_internal::setDefaultSearchMode(SearchMode::kIndexed);
    LookAheadScope scope(0);
    DelaunayState s = unitState(SearchMode::kIndexed, 2.0);
    for (unsigned k = 0; k < 40; ++k)
        ASSERT_NE(s.insertPoint(0.025 * k, 0.5 * ((k * 7) % 13) / 13), N);
    const double xy[8][2] = {{0.5, 0.25},    {NAN, 0.5},      {KELM_NULL_REAL, 0.5},
                             {-40.0, -40.0}, {0.1, INFINITY}, {0.9, 0.45},
                             {0.3, 0.3},     {0.7, 0.1}};
    unsigned starts[8];
    EXPECT_EQ(lookAhead(s, &xy[0][0], 8, starts), "+--+-+++");
    // The walk ends at the triangle holding the point (y is scaled as stored).
    const unsigned* tv = s.triVerts(starts[0]);
    const double P[2] = {0.5, 0.5};
    double near = 0;
    EXPECT_EQ(
        kelm_internal::classifyPoint(s.point(tv[0]), s.point(tv[1]), s.point(tv[2]), P, &near),
        PointClass::kInside);

    // A row that follows the vertex inserted last (0.975, 0) closely is not looked
    // ahead for; one far (or NaN) point brings the walks back for all.
    const double d = std::sqrt(s.searchIndex().cell_diagonal_sq) / 2;
    double row[16];
    for (unsigned j = 0; j < 8; ++j) row[2 * j] = 0.975 - d * j, row[2 * j + 1] = 0.01 * j;
    EXPECT_EQ(lookAhead(s, row, 8, starts), "--------");
    row[1] = 0.9;  // stored 1.8 above the vertex
    EXPECT_EQ(lookAhead(s, row, 8, starts), "++++++++");
    row[1] = 0.0;
    row[15] = NAN;
    EXPECT_EQ(lookAhead(s, row, 8, starts), "+++++++-");
}

TEST(DelaunaySearch, PlainScansAnswerWhereTheIndexCannotVouch) {
    // A degenerate or non-finite enclosing triangle leaves the index off.
    const double flat[4] = {0, 0, 0, 1}, huge[4] = {-1e300, -1e300, 1e300, 1e300};
    DelaunayState f, g, z;
    ASSERT_EQ(f.init(flat, 1.0) + g.init(huge, 1.0) + z.init(huge, 0.0), 3);
    EXPECT_FALSE(f.indexed() || g.indexed() || z.indexed());

    // A point taken just below the bottom hull edge turns a triangle over: points
    // near it go to the plain scan, others do not, and all agree with a plain state.
    DelaunayState s = unitState(), p = unitState(SearchMode::kPlainScans);
    ASSERT_TRUE(s.indexed());
    const double taken[][2] = {{0.5, -1 - 5e-7}, {0.2, 0.3}, {0.6, 0.7}, {0.5, -0.999999},
                               {0.5, -1 + 1e-9}, {0.4, 0.4}, {2.0, 0.5}};
    for (const auto& q : taken) ASSERT_EQ(s.insertPoint(q[0], q[1]), p.insertPoint(q[0], q[1]));
    ASSERT_TRUE(s.indexed());
    EXPECT_GT(s.searchIndex().odd_live, 0u);
    EXPECT_GT(s.searchIndex().counters.plain_locates, 0u);
    EXPECT_GT(s.searchIndex().counters.indexed_locates, 0u);
    EXPECT_EQ(kelm_test::checkIndex(s), "");
    EXPECT_EQ(kelm_test::dumpStateText(s), kelm_test::dumpStateText(p));
    EXPECT_TRUE(probesAgree(s, 5));

    // Points that are not finite are in no triangle; neither is one far out.
    const double odd[3][2] = {{NAN, 0.5}, {0.5, INFINITY}, {1e200, -1e200}};
    for (const auto& q : odd) EXPECT_EQ(s.locatePointIndexed(q), N) << q[0] << " " << q[1];

    // Tables that a failed flip left half rewritten drop the index for good.
    DelaunayState broken = unitState();
    ASSERT_NE(broken.insertPoint(0.5, 0.5), N);
    ASSERT_NE(broken.insertPoint(0.25, 0.25), N);
    const unsigned e = broken.findEdge(3, 4);
    ASSERT_NE(e, N);
    const unsigned t0 = broken.edgeTris(e)[0], t1 = broken.edgeTris(e)[1];
    const unsigned p0 = broken.oppositeVertex(t0, e), p1 = broken.oppositeVertex(t1, e);
    for (unsigned k = 0; k < 3; ++k) {  // the second triangle's sides no longer name it
        const unsigned f = broken.triEdges(t1)[k];
        if (f != e) broken.edgeTris(f)[0] = broken.edgeTris(f)[1] = 77;
    }
    // A lookahead begun before stops at its next pass, before the emptied grid.
    LookAheadScope scope(0);
    const double corners[8] = {0.05, 0.05, 0.95, 0.95, 0.05, 0.95, 0.95, 0.05};
    DelaunayState::LookAheadRun run;
    broken.lookAheadBegin(&run, corners, 4);
    ASSERT_NE(run.stage, DelaunayState::LookAheadRun::kDone);
    EXPECT_EQ(broken.flipEdge(e, t0, t1, p0, p1), 0);
    EXPECT_FALSE(broken.indexed());
    EXPECT_FALSE(broken.lookAheadPass(&run));
    EXPECT_EQ(run.stage, DelaunayState::LookAheadRun::kDone);
    EXPECT_EQ(kelm_test::checkIndex(broken), "");

    // Triangle 0 moved far from the origin: thin when its determinant is under
    // 2e-7 times the squared sides at vertex 0, a hazard when turned over.
    using kelm_internal::SearchIndex;
    const double ys[3] = {1.0, 1e-8, -1.0};
    const unsigned kinds[3] = {SearchIndex::kRegular, SearchIndex::kThin, SearchIndex::kHazard};
    for (unsigned r = 0; r < 3; ++r) {
        const double moved[6] = {1000, 0, 1001, 0, 1000.5, ys[r]};
        DelaunayState s = unitState();
        for (unsigned k = 0; k < 6; ++k) s.points[k] = moved[k];
        EXPECT_EQ(s.triangleQuality(0), kinds[r]) << ys[r];
    }
}

TEST(DelaunaySearch, VertexOnSegmentAlongRowsColumnsAndDiagonals) {
    // A 9 x 9 lattice around the box (vertices in the border cells): segments along
    // rows, columns and diagonals pass through lattice points, others do not.
    const double box[4] = {1, 1, 7, 7};
    DelaunayState s;
    ASSERT_EQ(s.init(box, 1.0), 1);
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 9; ++j) ASSERT_NE(s.insertPoint(i, j), N);
    // Vertex 3 + 9 i + j is (i, j); 0 is an enclosing corner. Rows: a, b, hit.
    const unsigned rows[][3] = {{3, 83, 1},  {3, 11, 1}, {75, 3, 1}, {11, 75, 1},
                                {3, 25, 1},  {3, 13, 0}, {3, 34, 0}, {66, 78, 0},
                                {43, 43, 0}, {0, 43, 1}, {1, 2, 0}};
    for (const auto& r : rows) {
        EXPECT_EQ(s.vertexOnSegment(r[0], r[1]) != N, r[2] == 1) << r[0] << " " << r[1];
        EXPECT_EQ(s.vertexOnSegmentIndexed(r[0], r[1]) != N, r[2] == 1) << r[0] << " " << r[1];
    }
}

TEST(DelaunaySearch, LongConstraintsFlipTheSameEdges) {
    // Constraints across a random cloud need many flips: the kept candidates choose
    // as the scan does, and the index (its grid rebuilt as it fills) follows.
    DelaunayState s = unitState(), p = unitState(SearchMode::kPlainScans);
    for (const auto& q : kelm_test::randomPoints(21, 700, 0, 0, 1, 1))
        ASSERT_EQ(s.insertPoint(q.first, q.second), p.insertPoint(q.first, q.second));
    const unsigned loop[] = {3, 400, 17, 650, 99, 301, 3};
    for (unsigned k = 0; k + 1 < sizeof loop / sizeof loop[0]; ++k)
        EXPECT_EQ(s.insertEdge(loop[k], loop[k + 1], 1), p.insertEdge(loop[k], loop[k + 1], 1));
    EXPECT_EQ(s.insertEdge(5, 600, 0), p.insertEdge(5, 600, 0));  // crosses the loop
    EXPECT_EQ(s.resolveInside(), p.resolveInside());
    EXPECT_EQ(kelm_test::dumpStateText(s), kelm_test::dumpStateText(p));
    EXPECT_GT(s.searchIndex().counters.indexed_crossings, 0u);
    EXPECT_GT(s.searchIndex().cell_head.size(), 64u);  // the grid was rebuilt as it filled
    EXPECT_TRUE(probesAgree(s, 4));                    // the index check included
}

}  // namespace
