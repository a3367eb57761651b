kelm_family(arrays
    DEPENDS xform
    SOURCES
        src/geom/arrays.cpp
        src/geom/bbox.cpp
        src/geom/bbox2d.cpp
    TESTS
        tests/geom/arrays_test.cpp
        tests/geom/bbox_test.cpp)
