kelm_family(units
    DEPENDS vectors
    SOURCES
        src/units/units.cpp
    TESTS
        tests/units/units_test.cpp)
