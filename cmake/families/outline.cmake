# Polygon triangulation: rings as they come (touching, overlapping, crossing)
# turned into an arrangement and triangulated through the public interface of
# the Delaunay triangulator.
kelm_family(outline
    DEPENDS delaunay
    SOURCES
        src/delaunay/polygon.cpp
        src/delaunay/polygon_arrange.cpp
    TESTS
        tests/delaunay/polygon_test.cpp)

# The outline benchmark times the arrangement on its own, an internal step, so
# it gets the family's objects and private headers; where the CGAL headers are
# installed (libcgal-dev, never required) it compares with that library's
# constrained Delaunay triangulation.
function(kelm_outline_bench_extras)
    if(NOT TARGET outline_bench)
        return()
    endif()
    target_sources(outline_bench PRIVATE $<TARGET_OBJECTS:kelmmath_outline>)
    target_include_directories(outline_bench PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(outline_bench PRIVATE KELMMATH_BENCH_INTERNALS)
    find_package(CGAL QUIET)
    if(CGAL_FOUND)
        target_link_libraries(outline_bench PRIVATE CGAL::CGAL)
        target_compile_definitions(outline_bench PRIVATE KELMMATH_BENCH_PEER)
    endif()
endfunction()
if(KELMMATH_BUILD_BENCHMARKS)
    cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL kelm_outline_bench_extras)
endif()
