kelm_family(meshio
    DEPENDS mesh
    SOURCES
        src/meshio/xml_attributes.cpp
        src/meshio/xml_writer.cpp
        src/meshio/xml_reader.cpp
        src/meshio/json_writer.cpp
    TESTS
        tests/meshio/numbers_test.cpp
        tests/meshio/xml_writer_test.cpp
        tests/meshio/xml_reader_test.cpp
        tests/meshio/json_writer_test.cpp
        tests/meshio/xml_threads_test.cpp)
