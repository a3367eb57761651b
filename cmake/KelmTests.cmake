find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
include(GoogleTest)

# One gtest executable per family: test_<family>. It links the family's objects
# directly (not the shared library) so tests may reach internal operations.
get_property(_kelm_families GLOBAL PROPERTY KELM_FAMILIES)
foreach(_f IN LISTS _kelm_families)
    get_property(_tests GLOBAL PROPERTY KELM_TESTS_${_f})
    if(NOT _tests)
        continue()
    endif()
    kelm_family_objects(_objs ${_f})
    add_executable(test_${_f} ${_tests} ${_objs})
    target_include_directories(test_${_f} PRIVATE
        ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(test_${_f} PRIVATE ${KELMMATH_WARNINGS})
    target_compile_definitions(test_${_f} PRIVATE
        KELMMATH_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        KELMMATH_BINARY_DIR="${PROJECT_BINARY_DIR}")
    target_link_libraries(test_${_f} PRIVATE GTest::gtest GTest::gtest_main EXPAT::EXPAT
                          Threads::Threads)
    gtest_discover_tests(test_${_f} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
                         PROPERTIES LABELS ${_f})
endforeach()

# Packaging: install into the build tree and build a client against it, once
# through find_package and once through pkg-config.
add_subdirectory(tests/consumer)

# Hostile-input catalogue and generated stress suites across the families.
file(GLOB _kelm_hostile_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/hostile/*_test.cpp)
if(_kelm_hostile_tests)
    set(_objs)
    foreach(_f IN LISTS _kelm_families)
        list(APPEND _objs $<TARGET_OBJECTS:kelmmath_${_f}>)
    endforeach()
    add_executable(test_hostile ${_kelm_hostile_tests} ${_objs})
    target_include_directories(test_hostile PRIVATE
        ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(test_hostile PRIVATE ${KELMMATH_WARNINGS})
    target_compile_definitions(test_hostile PRIVATE
        KELMMATH_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        KELMMATH_BINARY_DIR="${PROJECT_BINARY_DIR}")
    target_link_libraries(test_hostile PRIVATE GTest::gtest GTest::gtest_main EXPAT::EXPAT
                          Threads::Threads)
    gtest_discover_tests(test_hostile DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
                         PROPERTIES LABELS hostile)
endif()

# The C++ usage examples of README.md, compiled and run.
add_subdirectory(tests/readme)
