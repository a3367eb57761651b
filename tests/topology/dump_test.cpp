#include "kelmmath/topology/dump.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/writable.h"
#include "support/capture.h"
#include "support/golden.h"
#include "support/topology_meshes.h"
#include "support/topology_reference.h"

namespace {

using kelm_test::dump_text;
using kelm_test::expect_golden;

TEST(KelmMeshTopologyDump, TriangleCubeEditedTetrahedronAndEmptyTopologies) {
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    KelmMeshTopology t;
    t.init(&fs);
    expect_golden("topology_dump_triangle.txt", dump_text(t));
    kelm_test::ErrorRecorder rec;       // the build and the walks report
    kelm_test::add_facet(fs, 1, 2, 3);  // a corner equal to the vertex count: no normal
    t.init(&fs);
    EXPECT_NE(dump_text(t).find("\nf[1] = v=(1,2,3) e=(4294967295,4294967295,4294967295) "
                                "n=(0,0,0)\ne[0] : "),
              std::string::npos);
    kelm_test::make_cube(fs);
    t.init(&fs);
    expect_golden("topology_dump_cube.txt", dump_text(t));

    // The walk around vertex 1 below meets the deleted facet: its reports are recorded.
    kelm_test::make_tetrahedron(fs);
    fs.createVertex(KelmPoint(4.0, 4.0, 4.0));  // no facet uses vertex 4
    KelmMeshTopologyWritable w;
    w.init(&fs);
    w.deleteFacet(3);
    w.deleteEdge(5);
    expect_golden("topology_dump_edited.txt", dump_text(w));

    // Empty topologies and null arguments.
    KelmMeshFacetSet empty;
    KelmMeshTopology unbuilt;
    t.init(&empty);
    EXPECT_EQ(dump_text(t), "vertices=0 facets=0 edges=0\n\n");
    EXPECT_EQ(dump_text(unbuilt), "vertices=0 facets=0 edges=0\n\n");
    kelm_mesh_topology_dump(nullptr, stdout);
    kelm_mesh_topology_dump(&t, nullptr);
}

TEST(KelmMeshTopologyDump, DotIsNotClampedBeforeTheAngle) {
    // Two coplanar facets whose rounded unit normals have a dot just above 1.
    KelmMeshFacetSet fs;
    kelm_test::make_mesh(fs, {{1, 3, 7}, {0, 3, 6}, {2, 4, 10}, {4, 1, 6}}, {{0, 1, 2}, {0, 2, 3}});
    KelmMeshTopology t;
    t.init(&fs);
    double na[3], nb[3];
    fs.getFacetNormal(na, 0u);
    fs.getFacetNormal(nb, 1u);
    const double dot = na[0] * nb[0] + na[1] * nb[1] + na[2] * nb[2];
    ASSERT_GT(dot, 1.0);
    char line[128];
    std::snprintf(line, sizeof line, "e[2] : v=(0,2) f=(0,1) dot=1 angle=%g\n", std::acos(dot));
    EXPECT_NE(std::string(line).find("nan"), std::string::npos);
    EXPECT_NE(dump_text(t).find(line), std::string::npos);
}

}  // namespace
