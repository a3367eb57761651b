kelm_family(check
    DEPENDS topology
    SOURCES
        src/topology/check.cpp
        src/topology/intersect.cpp
        src/topology/repair.cpp
    TESTS
        tests/topology/check_test.cpp)
