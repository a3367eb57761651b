// The plane box's own forms; what it shares with the space box is tested in
// bbox_test.cpp on both.
#include "kelmmath/geom/bbox2d.h"

#include <gtest/gtest.h>

#include <vector>

#include "kelmmath/geom/xform2d.h"

namespace {

using V = std::vector<double>;

V values(const KelmBoundingBox2D& b) {
    return {b.minx(), b.miny(), b.maxx(), b.maxy()};
}

TEST(KelmBoundingBox2D, SecondNamesOfTheCoordinates) {
    KelmBoundingBox2D b;
    b.update(3, -1);
    b.update(-1, 2);
    EXPECT_EQ(values(b), (V{-1, -1, 3, 2}));
    EXPECT_EQ((V{b.minu(), b.minv(), b.maxu(), b.maxv()}), values(b));
}

TEST(KelmBoundingBox2D, PointFormsGoThroughTheTransform) {
    const KelmXform2D m(0, 1, -1, 0, 10, 20);  // quarter turn, then a shift
    const double p[2] = {2, 3};
    ListOfDouble list{2, 3};
    std::vector<KelmBoundingBox2D> boxes(9);
    boxes[0].update(p, m);
    boxes[1].update(p, m.data());
    boxes[2].update(KelmPoint2D(2, 3), m);
    boxes[3].update(KelmPoint2D(2, 3), m.data());
    boxes[4].update(2, 3, m);
    boxes[5].update(2, 3, m.data());
    boxes[6].update(&list, m);
    boxes[7].update(&list, m.data());
    KelmReal2DArray points;
    points.append(p);
    boxes[8].update(points, m.data());
    for (const KelmBoundingBox2D& b : boxes) EXPECT_EQ(values(b), (V{7, 22, 7, 22}));
}

}  // namespace
