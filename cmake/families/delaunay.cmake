kelm_family(delaunay
    DEPENDS arrays
    SOURCES
        src/delaunay/delaunay2d.cpp
        src/delaunay/constraints.cpp
    TESTS
        tests/delaunay/delaunay2d_test.cpp
        tests/delaunay/constraints_test.cpp)
