kelm_family(mesh
    DEPENDS arrays
    SOURCES
        src/mesh/faceprop.cpp
        src/mesh/facetset.cpp
        src/mesh/faceprops.cpp
        src/mesh/meshutil.cpp
    TESTS
        tests/mesh/mesh_test.cpp)
