#include "kelmmath/topology/repair.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/topology/check.h"
#include "support/meshes.h"
#include "support/topology_meshes.h"

namespace {

using kelm_test::add_facet;
using kelm_test::fingerprint;
using U = std::vector<unsigned>;

bool clean(const KelmMeshFacetSet& fs) {
    KelmMeshCheckReport r;
    return kelm_mesh_check(&r, &fs, 1) == 1;
}

// The cube with two coloured faces, as a part comes from CAD.
void make_part(KelmMeshFacetSet& fs) {
    kelm_test::make_cube(fs);
    kelm_mesh_set_color(fs.createFace(0, 10), 0x8a9099);
    KelmMeshFace* top = fs.createFace(10, 2);
    kelm_mesh_set_color(top, 0x2f6fb0);
    KelmMeshFaceAtts::make(top)->setAttribute("finish", "ground");
}

// The side walls of a prism of height 1 over the outline (counter-clockwise, in z = 0),
// open at both ends: vertices 0..n-1 at the bottom, n..2n-1 at the top.
void make_tube(KelmMeshFacetSet& fs, const std::vector<std::array<double, 2>>& outline) {
    fs.clear();
    const unsigned n = static_cast<unsigned>(outline.size());
    for (int z = 0; z < 2; ++z)
        for (const auto& p : outline) fs.createVertex(KelmPoint(p[0], p[1], z));
    for (unsigned i = 0, j = 1; i < n; ++i, j = (i + 1) % n) {
        add_facet(fs, i, j, j + n);
        add_facet(fs, i, j + n, i + n);
    }
}

KelmMeshRepairOptions everything() {
    KelmMeshRepairOptions o;
    o.weld_tolerance = 1e-6;
    o.drop_zero_area = true;
    o.min_part_facets = 4;
    o.fill_holes = 8;
    return o;
}

TEST(KelmMeshRepair, CleanPartComesBackByteForByte) {
    KelmMeshFacetSet in, out;
    make_part(in);
    const KelmMeshRepairOptions o = everything();
    KelmMeshRepairReport r;
    r.flipped_facets = 99;
    EXPECT_EQ(kelm_mesh_repair(&out, &r, &in, &o), 1);
    EXPECT_FALSE(r.changed());
    EXPECT_EQ(r.flipped_facets, 0u);
    EXPECT_EQ(fingerprint(out), fingerprint(in));
    EXPECT_EQ(kelm_mesh_repair(&in, &r, &in, &o), 0);
    EXPECT_EQ(kelm_mesh_repair(nullptr, &r, &in, &o), 0);
    add_facet(in, 0, 1, in.createVertex(KelmPoint(2, 0, 0)));  // on the line through 0 and 1
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.dropped_zero_area, 1u);
}

TEST(KelmMeshRepair, OrientsEachPartThenOutward) {
    KelmMeshFacetSet in, out;
    kelm_test::make_tetrahedron(in);
    std::swap(in.getFacet(2)->vertex[1], in.getFacet(2)->vertex[2]);
    KelmMeshRepairReport r;
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.flipped_facets, 1u);
    EXPECT_EQ(out.getFacet(2)->vertex[1], 3u);
    EXPECT_TRUE(clean(out));
    // Inside out: consistent as it is, then turned over whole.
    make_part(in);
    for (unsigned f = 0; f < in.getFacetCount(); ++f)
        std::swap(in.getFacet(f)->vertex[1], in.getFacet(f)->vertex[2]);
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.flipped_facets, 12u);
    KelmMeshFacetSet cube;
    make_part(cube);
    EXPECT_EQ(fingerprint(out), fingerprint(cube));
    // A band of flipped facets around a torus: turned back without conflicts.
    kelm_test::make_torus(in, 3, 3);
    for (unsigned f = 0; f < 6; ++f)
        std::swap(in.getFacet(f)->vertex[1], in.getFacet(f)->vertex[2]);
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.orientation_conflicts, 0u);
    EXPECT_TRUE(clean(out));
    // Two inside-out tetrahedra sharing only the edge of vertices 0 and 1, the first edge:
    // four facets on it, so neither part is closed and neither is turned over.
    kelm_test::make_mesh(
        in, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, -1}},
        {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}, {0, 1, 4}, {0, 5, 1}, {0, 4, 5}, {1, 5, 4}});
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.flipped_facets, 0u);
}

TEST(KelmMeshRepair, WeldsSoupAndDropsDegenerateAndDuplicateFacetsKeepingFaces) {
    KelmMeshFacetSet cube, in, out;
    make_part(cube);
    // Each facet with its own three vertices, nudged below the tolerance.
    for (unsigned f = 0; f < cube.getFacetCount(); ++f) {
        KelmMeshFacet* g = in.createFacet(nullptr);
        *g = *cube.getFacet(f);
        for (unsigned k = 0; k < 3; ++k) {
            double p[3];
            cube.getVertex(p, g->vertex[k]);
            p[0] += (f % 3) * 1e-9;
            g->vertex[k] = in.createVertex(p);
        }
    }
    for (unsigned i = 0; i < cube.getFaceCount(); ++i) in.createFace()->copy(cube.getFace(i));
    add_facet(in, 0, 0, 5);           // 12: repeated vertex
    add_facet(in, 3, 4, 5);           // 13: facet 1 again, after the weld
    in.getFace(1)->setFacetCount(4);  // the top face takes 12 and 13 too
    KelmMeshRepairOptions o;
    o.weld_tolerance = 0.0;
    KelmMeshRepairReport r;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_FALSE(clean(out));  // nudged copies stay apart at tolerance 0
    o.weld_tolerance = 1e-6;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.welded_vertices, r.dropped_degenerate, r.dropped_duplicates,
                 out.getVertexCount(), out.getFacetCount()}),
              U({28, 1, 1, 8, 12}));
    ASSERT_EQ(out.getFaceCount(), 2u);
    EXPECT_EQ(U({out.getFace(1)->getFirstFacet(), out.getFace(1)->getFacetCount()}), U({10, 2}));
    EXPECT_EQ(KelmMeshFaceColor::find(out.getFace(1))->getColor(), 0x2f6fb0u);
    EXPECT_TRUE(clean(out));
    EXPECT_EQ(kelm_mesh_weld(&in, -1.0), 0u);
    EXPECT_EQ(kelm_mesh_weld(nullptr, 0.0), 0u);
}

TEST(KelmMeshRepair, FillsHolesUpToTheSizeAsked) {
    KelmMeshFacetSet in, out;
    make_part(in);
    in.deleteFacet(10);  // the top: a three-edge hole, then a four-edge one
    KelmMeshRepairOptions o;
    o.fill_holes = 3;
    KelmMeshRepairReport r;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.filled_holes, r.added_facets}), U({1, 1}));
    EXPECT_TRUE(clean(out));
    ASSERT_EQ(out.getFaceCount(), 3u);  // the top face keeps its other facet
    EXPECT_EQ(U({out.getFace(1)->getFacetCount(), out.getFace(2)->getFirstFacet()}), U({1, 11}));
    in.deleteFacet(11);
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.unfilled_holes, r.added_facets, out.getFaceCount()}), U({1, 0, 1}));
    o.fill_holes = 4;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.added_facets, 2u);
    KelmMeshCheckReport c;
    EXPECT_EQ(std::make_pair(kelm_mesh_check(&c, &out, 1), c.volume), std::make_pair(1, 1.0));
    // A non-convex hole: the open top of an L-shaped prism, six edges.
    make_tube(in, {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
    add_facet(in, 0, 3, 1);  // the bottom, seen from below
    add_facet(in, 1, 3, 2);
    add_facet(in, 0, 5, 3);
    add_facet(in, 3, 5, 4);
    o.fill_holes = 6;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.added_facets, 4u);
    EXPECT_EQ(kelm_mesh_check(&c, &out, 1), 1);
    EXPECT_DOUBLE_EQ(c.volume, 3.0);
    // A point in the middle of a side is a flat corner, never cut as an ear: a tube over
    // a rectangle, open at both ends, closes without a zero-area facet.
    make_tube(in, {{1, 0}, {2, 0}, {2, 1}, {0, 1}, {0, 0}});
    o.fill_holes = 5;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.added_facets, 6u);
    EXPECT_EQ(kelm_mesh_check(&c, &out, 1), 1);
    EXPECT_TRUE(c.zero_area_facets.empty());
    EXPECT_DOUBLE_EQ(c.volume, 2.0);
}

TEST(KelmMeshRepair, DropsSmallPartsAndSplitsParts) {
    KelmMeshFacetSet in, out;
    make_part(in);
    kelm_mesh_make_box(&in, 2.0, 0.0, 0.0, 3.0, 1.0, 2.0);  // a second box: facets 12-23
    for (const KelmPoint& p : {KelmPoint(5, 5, 5), KelmPoint(6, 5, 5), KelmPoint(5, 6, 5)})
        in.createVertex(p);
    add_facet(in, 16, 17, 18);  // a stray triangle
    KelmMeshRepairOptions o;
    o.min_part_facets = 2;
    KelmMeshRepairReport r;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.dropped_parts, r.dropped_part_facets, out.getFacetCount()}), U({1, 1, 24}));

    std::vector<KelmMeshFacetSet> parts;
    EXPECT_EQ(kelm_mesh_split_parts(&parts, &in), 3u);
    KelmMeshFacetSet cube;
    make_part(cube);
    EXPECT_EQ(fingerprint(parts[0]), fingerprint(cube));  // the first part with its faces
    EXPECT_EQ(U({parts[1].getVertexCount(), parts[1].getFacetCount(), parts[1].getFaceCount()}),
              U({8, 12, 0}));
    KelmMeshCheckReport c;
    EXPECT_EQ(kelm_mesh_check(&c, &parts[1], 0), 1);
    EXPECT_DOUBLE_EQ(c.volume, 2.0);
    EXPECT_EQ(parts[2].getFacet(0)->vertex[2], 2u);
    EXPECT_EQ(kelm_mesh_split_parts(nullptr, &in), 0u);
}

}  // namespace
