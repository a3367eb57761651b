kelm_family(delaunay
    DEPENDS arrays
    SOURCES
        src/delaunay/delaunay2d.cpp
        src/delaunay/constraints.cpp
        src/delaunay/search.cpp
        src/delaunay/search_index.cpp
        src/delaunay/locate.cpp
        src/delaunay/lookahead.cpp
    TESTS
        tests/delaunay/delaunay2d_test.cpp
        tests/delaunay/constraints_test.cpp
        tests/delaunay/search_test.cpp)


# The benchmark also times internal steps (the plain scans; the arrangement alone).
kelm_bench_internals(delaunay_bench delaunay)
