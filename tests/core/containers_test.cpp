#include "kelmmath/core/containers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(KelmVector, SizeAndAppendGrowCapacityNeverShrinksButZeroReleases) {
    kelm_real_vector v;
    v.capacity(10);
    EXPECT_GE(v.capacity(), 10u);
    EXPECT_EQ(v.size(), 0u);
    v.size(10);
    for (unsigned i = 0; i < 10; ++i) v[i] = i * 0.5;
    for (int i = 10; i < 1000; ++i) v.append(i * 0.5);
    ASSERT_EQ(v.size(), 1000u);
    v.capacity(4);
    const unsigned before = v.capacity();
    EXPECT_GE(before, 1000u);
    v.expand(5);
    EXPECT_GE(v.capacity(), before + 5);
    for (unsigned i = 0; i < 1000; ++i) EXPECT_EQ(v[i], i * 0.5);
    v.capacity(0);
    EXPECT_EQ(v.capacity(), 0u);
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(v.data(), nullptr);
}

TEST(KelmVector, CopiesOwnTheirStorage) {
    kelm_uint_vector a;
    a.append(1);
    a.append(2);
    kelm_uint_vector b(a);
    b[0] = 7;
    EXPECT_EQ(a[0], 1u);
    kelm_uint_vector c;
    c.append(9);
    c = a;
    c[1] = 8;
    EXPECT_EQ(a[1], 2u);
    EXPECT_EQ(c.size(), 2u);
    c = c;  // self-assignment keeps the contents
    EXPECT_EQ(c[0], 1u);
    EXPECT_NE(c.data(), a.data());
}

TEST(KelmVector, RemoveTakesOutFirstEqualPointer) {
    int a = 0, b = 0, c = 0;
    kelm_vector v;
    v.append(&a);
    v.append(&b);
    v.append(&c);
    v.append(&b);
    v.remove(&b);
    v.remove(nullptr);  // absent: nothing happens
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ((std::vector<void*>{v[0], v[1], v[2]}), (std::vector<void*>{&a, &c, &b}));
}

TEST(ListOfDouble, FormsAndCounts) {
    ListOfDouble empty;
    EXPECT_EQ(empty.count(), 0u);
    ListOfDouble l{1.0, 2.0, 3.0};
    ASSERT_EQ(l.count(), 3u);
    EXPECT_EQ(l._data()[2], 3.0);
    const double raw[2] = {4.0, 5.0};
    ListOfDouble r(raw, 2);
    EXPECT_EQ(r.count(), 2u);
    EXPECT_NE(r._data(), raw);  // the list keeps its own copy
    EXPECT_EQ(r._data()[1], 5.0);
    ListOfDouble none(nullptr, 3);
    EXPECT_EQ(none.count(), 0u);
}

}  // namespace
