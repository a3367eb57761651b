#include "kelmmath/geom/arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

template <class A>
constexpr unsigned kWidth = std::is_same<A, KelmReal3DArray>::value ? 3 : 2;

// Test point k: distinct components, so a shifted or swapped component shows.
struct Pt {
    double v[3];
    explicit Pt(double k) : v{k, k + 0.25, k + 0.5} {}
    operator const double*() const { return v; }
};

template <class A>
std::vector<double> contents(const A& a) {
    std::vector<double> out;
    for (unsigned i = 0; i < a.size(); ++i) out.insert(out.end(), a.get(i), a.get(i) + kWidth<A>);
    return out;
}

// The doubles of test points ks; a negative k stands for the zero point.
template <class A>
std::vector<double> expected(std::initializer_list<double> ks) {
    std::vector<double> out;
    for (double k : ks) {
        Pt p(k);
        if (k < 0) std::fill(p.v, p.v + 3, 0.0);
        out.insert(out.end(), p.v, p.v + kWidth<A>);
    }
    return out;
}

template <class A>
A filled(std::initializer_list<double> ks) {
    A a;
    for (double k : ks) a.append(Pt(k));
    return a;
}

template <class A>
class PointArrayTest : public ::testing::Test {};
struct ArrayNames {
    template <class A>
    static std::string GetName(int) {
        return kWidth<A> == 3 ? "Real3D" : "Real2D";
    }
};
using ArrayTypes = ::testing::Types<KelmReal3DArray, KelmReal2DArray>;
TYPED_TEST_SUITE(PointArrayTest, ArrayTypes, ArrayNames);

TYPED_TEST(PointArrayTest, StorageIsKeptByEmptyAndRemoval) {
    TypeParam a;
    EXPECT_EQ(std::make_pair(a.size(), a.capacity()), std::make_pair(0u, 0u));
    a = filled<TypeParam>({1, 2, 3});
    const unsigned cap = a.capacity();
    const double* storage = a.get(0);
    EXPECT_EQ((a.empty(), std::make_pair(a.size(), a.capacity())), std::make_pair(0u, cap));
    a.append(Pt(9));
    a.remove(0);  // the last point: the storage stays
    EXPECT_EQ((a.remove(0), std::make_pair(a.size(), a.capacity())), std::make_pair(0u, cap));
    EXPECT_EQ((a.append(Pt(9)), a.get(0)), storage);
}

TYPED_TEST(PointArrayTest, NullPointsAndNewSizeReadAsZeros) {
    TypeParam a = filled<TypeParam>({1, 2});
    a.append(static_cast<const double*>(nullptr));
    a.put(static_cast<const double*>(nullptr), 0);
    a.insert(static_cast<const double*>(nullptr), 1);
    EXPECT_EQ(contents(a), expected<TypeParam>({-1, -1, 2, -1}));

    TypeParam b;
    b.size(5);  // the contents show the new size
    EXPECT_GE(b.capacity(), 5u);
    EXPECT_EQ(contents(b), expected<TypeParam>({-1, -1, -1, -1, -1}));
    for (unsigned i = 0; i < 3; ++i) b.put(Pt(i + 1), i);
    b.size(2);
    b.size(3);  // the point coming back into view is zero, not 3
    EXPECT_EQ(contents(b), expected<TypeParam>({1, 2, -1}));
}

// A point taken from the array itself is read before the storage moves (the
// sanitizer build turns a late read into a use-after-free report).
TYPED_TEST(PointArrayTest, PointFromSameArrayIsReadBeforeStorageMoves) {
    TypeParam a;
    a.capacity(3);
    for (double k : {1, 2, 3}) a.append(Pt(k));
    ASSERT_EQ(a.capacity(), a.size());
    a.append(a[1]);
    a.insert(a.get(2), 0);
    EXPECT_EQ((a.put(a[0], 4), contents(a)), expected<TypeParam>({3, 1, 2, 3, 3}));
}

TYPED_TEST(PointArrayTest, CopiesAndMovesLeaveIndependentArrays) {
    TypeParam src = filled<TypeParam>({1, 2});
    TypeParam copied(src);
    copied.append(Pt(3));
    copied.put(Pt(9), 0);
    TypeParam moved(std::move(src));
    TypeParam assigned = filled<TypeParam>({5, 6, 7});
    assigned = src;
    assigned.put(Pt(8), 1);
    TypeParam move_assigned;
    move_assigned = std::move(src);
    TypeParam& alias = src;
    src = alias;
    EXPECT_EQ(contents(src), expected<TypeParam>({1, 2}));  // moving copies
    EXPECT_EQ(contents(moved), expected<TypeParam>({1, 2}));
    EXPECT_EQ(contents(move_assigned), expected<TypeParam>({1, 2}));
    EXPECT_EQ(contents(assigned), expected<TypeParam>({1, 8}));
    EXPECT_NE(moved.get(0), src.get(0));
}

// Random appends, puts, inserts and removals against a plain vector of doubles; the
// indices reach past the end, where insert appends and remove does nothing, and the
// empty array.
TYPED_TEST(PointArrayTest, AgreesWithPlainVectorOverRandomEdits) {
    constexpr unsigned D = kWidth<TypeParam>;
    std::mt19937 rng(12345);
    TypeParam a;
    std::vector<double> model;
    for (int step = 0; step < 3000; ++step) {
        const unsigned n = static_cast<unsigned>(model.size() / D);
        const unsigned i = static_cast<unsigned>(rng() % (n + 3));
        const Pt p(step);
        const unsigned op = rng() % 4;
        if (op == 0) {
            a.append(p);
            model.insert(model.end(), p.v, p.v + D);
        } else if (op == 1 && i < n) {
            a.put(p, i);
            std::copy(p.v, p.v + D, model.begin() + D * i);
        } else if (op == 2) {
            a.insert(p, i);
            model.insert(model.begin() + D * std::min(i, n), p.v, p.v + D);
        } else if (op == 3) {
            a.remove(i);
            if (i < n) model.erase(model.begin() + D * i, model.begin() + D * (i + 1));
        }
        ASSERT_EQ(contents(a), model) << "after step " << step;
    }
}

TEST(KelmReal3DArray, AccessIsLaidOverStorageAndClassFormsForward) {
    KelmReal3DArray a;
    a.append(1, 2, 3);
    a.append(KelmPoint(4, 5, 6));
    a.append(KelmDirection(7, 8, 9));
    EXPECT_EQ(a.as_point(0).z(), 3.0);
    EXPECT_EQ(a.get(0)[1], 2.0);
    EXPECT_EQ(a[1], a.data() + 3);
    const KelmReal3DArray& c = a;
    EXPECT_EQ(static_cast<const void*>(&c.as_point(2)), static_cast<const void*>(c.get(2)));
    a.as_dir(0).ijk(-1, -2, -3);
    EXPECT_EQ(contents(a), (std::vector<double>{-1, -2, -3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(c.as_dir(0).j(), -2.0);

    a.put(KelmPoint(9, 8, 7), 2);
    a.put(KelmDirection(6, 5, 4), 1);
    a.put(3, 2, 1, 0);
    a.insert(KelmPoint(10, 11, 12), 1);
    a.insert(KelmDirection(13, 14, 15), 0);
    a.insert(16, 17, 18, 9);
    EXPECT_EQ(contents(a),
              (std::vector<double>{13, 14, 15, 3, 2, 1, 10, 11, 12, 6, 5, 4, 9, 8, 7, 16, 17, 18}));
}

TEST(KelmReal2DArray, AccessIsLaidOverStorageAndClassFormsForward) {
    KelmReal2DArray a;
    a.append(1, 2);
    a.append(KelmPoint2D(3, 4));
    a.append(KelmDirection2D(5, 6));
    EXPECT_EQ(a.as_point(0).v(), 2.0);
    EXPECT_EQ(a[1], a.data() + 2);
    const KelmReal2DArray& c = a;
    EXPECT_EQ(static_cast<const void*>(&c.as_dir(2)), static_cast<const void*>(c.get(2)));
    EXPECT_EQ((a.as_dir(1).ij(-3, -4), c.as_point(1).u()), -3.0);

    a.put(KelmPoint2D(-5, -6), 2);
    a.put(KelmDirection2D(7, 8), 1);
    a.put(-1, -2, 0);
    a.insert(KelmPoint2D(10, 11), 0);
    a.insert(KelmDirection2D(12, 13), 2);
    a.insert(14, 15, 99);
    EXPECT_EQ(contents(a), (std::vector<double>{10, 11, -1, -2, 12, 13, 7, 8, -5, -6, 14, 15}));
}

}  // namespace
