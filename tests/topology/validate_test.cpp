#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"
#include "kelmmath/topology/writable.h"
#include "support/capture.h"
#include "support/topology_meshes.h"
#include "topology/internal_topology.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using kelm_test::ErrorRecorder;
using kelm_test::StdoutCapture;
using Strings = std::vector<std::string>;
using U = std::vector<int>;

// A set and a writable topology over it.
struct Built {
    explicit Built(void (*make)(KelmMeshFacetSet&)) {
        make(fs);
        t.init(&fs);
    }
    KelmMeshFacetSet fs;
    KelmMeshTopologyWritable t;
};

std::vector<int> all_checks(const KelmMeshTopology& t) {
    std::vector<int> r;
    for (int stop : {1, 0})
        r.insert(r.end(), {t.validate(stop), t.validateNoGeometry(stop), t.validateEdgeUsage(stop),
                           t.validateFaceSenses(stop), t.validateEdgesUnique(stop),
                           t.validateFaceGeometricSenses(stop), t.validateFaceOverlaps(stop)});
    return r;
}

TEST(KelmMeshTopologyValidate, ClosedOrientedMeshesPass) {
    using Maker = void (*)(KelmMeshFacetSet&);
    for (Maker make :
         {kelm_test::make_tetrahedron, kelm_test::make_cube, kelm_test::make_octahedron,
          +[](KelmMeshFacetSet& fs) { kelm_test::make_torus(fs, 6, 8); }}) {
        ErrorRecorder rec;
        StdoutCapture out;
        Built m(make);
        EXPECT_EQ(all_checks(m.t), std::vector<int>(14, 1));
        EXPECT_EQ(m.t.validate() + m.t.validateNoGeometry(), 2);
        EXPECT_EQ(rec.count(), 0u);
        EXPECT_EQ(out.text(), "");
    }
}

TEST(KelmMeshTopologyValidate, FlippedFacetAndTheStopFlag) {
    ErrorRecorder rec;
    Built m(kelm_test::make_tetrahedron);
    m.fs.getFacet(3)->vertex[1] = 3;  // (1,2,3) becomes (1,3,2): edges 1, 3 and 5
    m.fs.getFacet(3)->vertex[2] = 2;
    m.t.init(&m.fs);
    const Strings three = {"facets on edge 1 do not have the same sense",
                           "facets on edge 3 do not have the same sense",
                           "facets on edge 5 do not have the same sense"};
    Strings six = three;
    six.insert(six.end(), three.begin(), three.end());
    EXPECT_EQ(U({m.t.validateFaceSenses(0), m.t.validateFaceGeometricSenses(0)}), U({0, 0}));
    EXPECT_EQ(rec.take(), six);
    EXPECT_EQ(U({m.t.validateFaceSenses(), m.t.validateFaceGeometricSenses()}), U({0, 0}));
    EXPECT_EQ(rec.take(), (Strings{three[0], three[0]}));
    EXPECT_EQ(U({m.t.validateFaceSensesOnEdge(3), m.t.validateFaceGeometricSensesOnEdge(5),
                 m.t.validateFaceSensesOnEdge(0)}),
              U({0, 0, 1}));
    EXPECT_EQ(rec.take(), (Strings{three[1], three[2]}));
    // validate() stops at the first failing check; validate(0) runs every check.
    EXPECT_EQ(m.t.validate(), 0);
    EXPECT_EQ(rec.take(), Strings{three[0]});
    EXPECT_EQ(m.t.validate(0), 0);
    EXPECT_EQ(rec.take(), six);
}

TEST(KelmMeshTopologyValidate, BorderEdgesFailOnlyTheSenseChecksWhichPrintDiagnostics) {
    ErrorRecorder rec;
    StdoutCapture out;
    Built m(kelm_test::make_triangle);
    EXPECT_EQ(U({m.t.validateEdgeUsage(0), m.t.validateEdgesUnique(0), m.t.validateFaceOverlaps(0),
                 m.t.validateFaceSenses(), m.t.validateFaceGeometricSenses(0)}),
              U({1, 1, 1, 0, 0}));
    EXPECT_EQ(rec.take(), (Strings{"Edge 0 does not have 2 facets: 0 4294967295",
                                   "Edge 0 does not have 2 facets: 0 4294967295",
                                   "Edge 1 does not have 2 facets: 0 4294967295",
                                   "Edge 2 does not have 2 facets: 0 4294967295"}));
    EXPECT_EQ(m.t.validate(0), 0);
    EXPECT_EQ(rec.take().size(), 6u);
    EXPECT_EQ(out.text(), "");

    // Sense diagnostics go to standard output.
    Built d(kelm_test::make_tetrahedron);
    d.t.deleteFacet(3);
    EXPECT_EQ(d.t.validateFaceSenses(), 0);
    EXPECT_EQ(d.t.validateFaceGeometricSenses(0), 1);  // an unknown sense is accepted
    d.t.init(&d.fs);
    d.t.setEdgeVerts(2, 1, 3);  // not a side of facet 0
    EXPECT_EQ(d.t.validateFaceSensesOnEdge(2), 0);
    EXPECT_EQ(out.text(),
              "get_face_sense: could not get facet: 3\nsz=4\nBad sense: e=1\n"
              "Bad sense: e=2\n");
    EXPECT_EQ(rec.take(), Strings{"get_face_sense: failed to compute sense to face"});
}

TEST(KelmMeshTopologyValidate, EdgeUsageAndUniqueEdges) {
    ErrorRecorder rec;
    Built d(kelm_test::make_triangle);
    d.fs.getFacet(0)->vertex[1] = 0;  // (0, 0, 2): edge 1 carries facet 0 twice
    d.t.init(&d.fs);
    EXPECT_EQ(d.t.validateEdgeUsage(), 0);
    EXPECT_EQ(rec.take(), Strings{"duplicate facet edge: e=1"});
    // A duplicate is not a stopping point: even with stop the next one is reported.
    kelm_test::add_facet(d.fs, 1, 1, 2);  // edges 2 (1,1), 3 (1,2) carries facet 1 twice
    d.t.init(&d.fs);
    EXPECT_EQ(d.t.validateEdgeUsage(), 0);
    EXPECT_EQ(rec.take(), (Strings{"duplicate facet edge: e=1", "duplicate facet edge: e=3"}));

    // Tetrahedron edges 0 (0,2) 1 (1,2) 2 (0,1) 3 (1,3) 4 (0,3) 5 (2,3); facets
    // 0 (0,2,1) 1 (0,1,3) 2 (0,3,2) 3 (1,2,3).
    Built m(kelm_test::make_tetrahedron);
    m.t.setEdgeVerts(2, 3, 1);
    m.t.setEdgeVerts(5, 1, 0);
    EXPECT_EQ(m.t.validateEdgeUsage(0), 0);
    const Strings all = {"Facet 0 does not contain vertex 3 (from edge 2)",
                         "Facet 2 does not contain vertex 1 (from edge 5)",
                         "Facet 3 does not contain vertex 0 (from edge 5)"};
    EXPECT_EQ(rec.take(), all);
    EXPECT_EQ(m.t.validateEdgeUsage(), 0);
    EXPECT_EQ(rec.take(), Strings{all[0]});

    Built gone(kelm_test::make_tetrahedron);
    gone.t.deleteFacet(3);  // edges still name it: fails without a report
    EXPECT_EQ(gone.t.validateEdgeUsage(0), 0);
    EXPECT_EQ(rec.count(), 0u);

    // Unique edges.
    Built u(kelm_test::make_tetrahedron);
    EXPECT_EQ(u.t.createEdge(1, 0), 6u);   // the vertices of edge 2
    EXPECT_EQ(u.t.createEdge(10, 9), 7u);  // no facet uses vertex 9
    EXPECT_EQ(u.t.validateEdgesUnique(0), 0);
    EXPECT_EQ(rec.take(),
              (Strings{"validateEdgeUnique: edges 2 and 6 have same verts",
                       "validateEdgeUnique: cannot get iterate over edge verts: e=7 v0=9 v1=10"}));
    EXPECT_EQ(u.t.validateEdgesUnique(), 0);
    EXPECT_EQ(rec.count(), 1u);
    u.t.deleteEdge(7);                         // deleted edges are not looked at
    EXPECT_EQ(u.t.validateEdgesUnique(0), 0);  // the repeated pair alone fails the check
    u.t.setEdgeFacets(6, 0, 1);                // edge 2's facets too: only the unique check fails
    EXPECT_EQ(all_checks(u.t), (std::vector<int>{0, 0, 1, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1}));
    u.t.deleteEdge(6);
    EXPECT_EQ(
        U({u.t.validateEdgesUnique(0), u.t.validateFaceSenses(0), u.t.validateFaceSensesOnEdge(6),
           u.t.validateFaceSensesOnEdge(NONE), u.t.validateFaceGeometricSensesOnEdge(NONE),
           u.t.validateFaceGeometricSensesOnEdge(u.t.getEdgeCount())}),
        U(6, 1));
}

TEST(KelmMeshTopologyValidate, GeometricSenseFromCoordinates) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    auto sense = [&fs](unsigned f, unsigned a, unsigned b) {
        return kelm_internal::get_face_geometric_sense(&fs, f, a, b);
    };
    EXPECT_EQ(
        U({sense(0, 0, 1), sense(0, 2, 0), sense(0, 1, 0), sense(NONE, 0, 1), sense(0, NONE, 1)}),
        U({1, 1, -1, 0, 0}));
    fs.getFacet(0)->vertex[0] = 3;  // a corner equal to the vertex count: no sense, also
    EXPECT_EQ(U({sense(0, 1, 2), sense(0, 3, 1)}), U({0, 0}));  // as an end of the side
    fs.getFacet(0)->vertex[0] = 0;
    // A sliver 1e-4 long and 5e-11 high: the offset of the third corner is below
    // the tolerance, its direction is not.
    fs.modifyVertex(KelmPoint(1e-4, 0.0, 0.0), 1);
    fs.modifyVertex(KelmPoint(0.0, 5e-11, 0.0), 2);
    EXPECT_EQ(U({sense(0, 0, 1), sense(0, 1, 0)}), U({1, -1}));
    fs.modifyVertex(KelmPoint(2e-4, 0.0, 0.0), 2);  // collinear: no sense
    EXPECT_EQ(sense(0, 0, 1), 0);
    EXPECT_EQ(rec.count(), 0u);
    fs.getFacet(0)->vertex[2] = 0;
    EXPECT_EQ(sense(0, 0, 1), 0);
    EXPECT_EQ(rec.take(), Strings{"validateFaceSensesOnEdge: could not find edge"});

    // Two collinear facets wound alike fail the combinatorial check only.
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{0, 1, 2}, {0, 1, 2}});
    KelmMeshTopology t;
    t.init(&fs);
    EXPECT_EQ(U({t.validateFaceGeometricSenses(0), t.validateFaceSenses(0)}), U({1, 0}));
}

TEST(KelmMeshTopologyValidate, AntiParallelFacetsAroundAVertex) {
    ErrorRecorder rec;
    Built m(kelm_test::make_pillow);
    EXPECT_EQ(m.t.validateFaceSenses(0) + m.t.validateFaceGeometricSenses(0), 2);
    EXPECT_EQ(m.t.validateFaceOverlapForVertex(0), 0);
    const std::string prefix = "Facets (0 1) around vertex 0 are anti-parallel (dot+1=";
    const Strings first = rec.take();
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(first[0].rfind(prefix, 0), 0u) << first[0];
    EXPECT_LT(std::fabs(std::atof(first[0].c_str() + prefix.size())), 1e-15);
    EXPECT_EQ(m.t.validateFaceOverlaps(0), 0);  // one report per vertex
    EXPECT_EQ(rec.count(), 3u);
    EXPECT_EQ(m.t.validate(), 0);
    EXPECT_EQ(rec.take().size(), 4u);

    // Every pair is compared: facet 2 folds back over facets 0 and 1.
    KelmMeshFacetSet fs;
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 1, 0}},
                         {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}});
    KelmMeshTopology t;
    t.init(&fs);
    EXPECT_EQ(t.validateFaceOverlapForVertex(0, 0), 0);
    EXPECT_EQ(t.validateFaceOverlapForVertex(0), 0);
    EXPECT_EQ(rec.take(), (Strings{"Facets (0 2) around vertex 0 are anti-parallel (dot+1=0)",
                                   "Facets (1 2) around vertex 0 are anti-parallel (dot+1=0)",
                                   "Facets (0 2) around vertex 0 are anti-parallel (dot+1=0)"}));
    EXPECT_EQ(t.validateFaceOverlapForVertex(4), 1);  // one facet around it

    // Nearly opposite: tilted by 1e-4 (dot+1 about 5e-9) counts, by 1e-3 (5e-7) not.
    for (double h : {1e-4, 1e-3}) {
        kelm_test::make_triangle(fs);
        fs.createVertex(KelmPoint(0.0, 1.0, h));
        kelm_test::add_facet(fs, 0, 3, 1);
        t.init(&fs);
        EXPECT_EQ(t.validateFaceOverlapForVertex(1), h < 5e-4 ? 0 : 1) << h;
    }
    KelmMeshTopology unbuilt;
    EXPECT_EQ(unbuilt.validateFaceOverlaps(0) + unbuilt.validateFaceOverlapForVertex(0), 0);
}

}  // namespace
