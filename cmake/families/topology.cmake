kelm_family(topology
    DEPENDS mesh
    SOURCES
        src/topology/topology.cpp
        src/topology/queries.cpp
        src/topology/validate.cpp
        src/topology/writable.cpp
        src/topology/dump.cpp
    TESTS
        tests/topology/topology_test.cpp)
