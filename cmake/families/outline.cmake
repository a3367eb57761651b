# Polygon triangulation: rings as they come (touching, overlapping, crossing)
# turned into an arrangement and triangulated through the public interface of
# the Delaunay triangulator.
kelm_family(outline
    DEPENDS delaunay
    SOURCES
        src/delaunay/polygon.cpp
        src/delaunay/polygon_arrange.cpp
    TESTS
        tests/delaunay/polygon_test.cpp)


# The benchmark also times internal steps (the plain scans; the arrangement alone).
kelm_bench_internals(outline_bench outline)
