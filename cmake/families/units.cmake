kelm_family(units
    DEPENDS vectors
    SOURCES
        src/units/units.cpp
        src/units/units_table.cpp
    TESTS
        tests/units/units_test.cpp)
