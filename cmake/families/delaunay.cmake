kelm_family(delaunay
    DEPENDS arrays
    SOURCES
        src/delaunay/delaunay2d.cpp
        src/delaunay/constraints.cpp
        src/delaunay/search.cpp
        src/delaunay/search_index.cpp
        src/delaunay/locate.cpp
        src/delaunay/lookahead.cpp
    TESTS
        tests/delaunay/delaunay2d_test.cpp
        tests/delaunay/constraints_test.cpp
        tests/delaunay/search_test.cpp)

# The triangulator's benchmark also times the plain scans, an internal mode, so
# it gets the family's objects and private headers; and where the CGAL headers
# are installed (libcgal-dev, never required) it compares with that library's
# Delaunay triangulation. Run once the bench directory has made its targets.
function(kelm_delaunay_bench_extras)
    if(NOT TARGET delaunay_bench)
        return()
    endif()
    target_sources(delaunay_bench PRIVATE $<TARGET_OBJECTS:kelmmath_delaunay>)
    target_include_directories(delaunay_bench PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(delaunay_bench PRIVATE KELMMATH_BENCH_INTERNALS)
    find_package(CGAL QUIET)
    if(CGAL_FOUND)
        target_link_libraries(delaunay_bench PRIVATE CGAL::CGAL)
        target_compile_definitions(delaunay_bench PRIVATE KELMMATH_BENCH_PEER)
        message(STATUS "kelmmath: delaunay_bench compares with CGAL")
    else()
        message(STATUS "kelmmath: delaunay_bench without a peer comparison (no libcgal-dev)")
    endif()
endfunction()
if(KELMMATH_BUILD_BENCHMARKS)
    cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL kelm_delaunay_bench_extras)
endif()
