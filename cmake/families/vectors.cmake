kelm_family(vectors
    DEPENDS core
    SOURCES
        src/geom/points.cpp
        src/geom/vector.cpp
        src/geom/vector2d.cpp
    TESTS
        tests/geom/vector_test.cpp)
