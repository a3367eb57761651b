kelm_family(topology
    DEPENDS mesh
    SOURCES
        src/topology/topology.cpp
        src/topology/queries.cpp
        src/topology/validate.cpp
        src/topology/writable.cpp
        src/topology/dump.cpp
    TESTS
        tests/topology/topology_test.cpp
        tests/topology/queries_test.cpp
        tests/topology/validate_test.cpp
        tests/topology/writable_test.cpp
        tests/topology/dump_test.cpp)
