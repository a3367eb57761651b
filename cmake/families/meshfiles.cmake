kelm_family(meshfiles
    DEPENDS meshio
    SOURCES
        src/meshio/meshfile.cpp
        src/meshio/stl.cpp
        src/meshio/obj.cpp
        src/meshio/ply.cpp
        src/meshio/off.cpp
    TESTS
        tests/meshio/meshfile_test.cpp
        tests/meshio/meshfile_catalogue_test.cpp)
