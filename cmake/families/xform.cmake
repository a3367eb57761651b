kelm_family(xform
    DEPENDS units
    SOURCES
        src/geom/xform.cpp
        src/geom/xform2d.cpp
    TESTS
        tests/geom/xform_test.cpp)
