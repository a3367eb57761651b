# A family is one group of library sources (an OBJECT library) with its own gtest
# executable. The shared library is made of every family's objects; each test
# executable links the objects of its family and of the families it builds on, so
# that a family can be built and tested before the later ones exist.
#
#   kelm_family(<name> SOURCES <src...> [DEPENDS <family...>] [TESTS <test src...>])

function(kelm_family name)
    cmake_parse_arguments(F "" "" "SOURCES;DEPENDS;TESTS" ${ARGN})
    # A listed file that does not exist yet is left out with a warning, so that a
    # family under construction never stops the others from building.
    foreach(kind SOURCES TESTS)
        set(present)
        foreach(file IN LISTS F_${kind})
            if(EXISTS ${PROJECT_SOURCE_DIR}/${file})
                list(APPEND present ${file})
            else()
                message(WARNING "kelmmath: ${name}: ${file} is missing")
            endif()
        endforeach()
        set(F_${kind} ${present})
    endforeach()
    if(NOT F_SOURCES)
        return()
    endif()
    add_library(kelmmath_${name} OBJECT ${F_SOURCES})
    target_include_directories(kelmmath_${name}
        PUBLIC ${PROJECT_SOURCE_DIR}/include
        PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(kelmmath_${name} PRIVATE KELMMATH_BUILDING)
    target_compile_options(kelmmath_${name} PRIVATE ${KELMMATH_WARNINGS})
    target_link_libraries(kelmmath_${name} PRIVATE EXPAT::EXPAT)
    set_target_properties(kelmmath_${name} PROPERTIES
        POSITION_INDEPENDENT_CODE ON
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)

    # Closure of the families this one builds on, itself last.
    set(closure)
    foreach(dep IN LISTS F_DEPENDS)
        get_property(dep_closure GLOBAL PROPERTY KELM_CLOSURE_${dep})
        list(APPEND closure ${dep_closure})
    endforeach()
    list(APPEND closure ${name})
    list(REMOVE_DUPLICATES closure)
    set_property(GLOBAL PROPERTY KELM_CLOSURE_${name} ${closure})
    set_property(GLOBAL APPEND PROPERTY KELM_FAMILIES ${name})
    set_property(GLOBAL PROPERTY KELM_TESTS_${name} ${F_TESTS})
endfunction()

# Objects of a family together with everything it builds on.
function(kelm_family_objects out name)
    get_property(closure GLOBAL PROPERTY KELM_CLOSURE_${name})
    set(objs)
    foreach(f IN LISTS closure)
        list(APPEND objs $<TARGET_OBJECTS:kelmmath_${f}>)
    endforeach()
    set(${out} ${objs} PARENT_SCOPE)
endfunction()

# A benchmark that times internal steps of a family gets the family's objects, the
# private headers and KELMMATH_BENCH_INTERNALS; where the CGAL headers are installed
# (libcgal-dev, never required) it is linked with that library and compares with it
# (KELMMATH_BENCH_PEER). Deferred to the end of the configuration, when the bench
# directory has made its targets; nothing happens without the benchmark target.
function(kelm_bench_internals bench family)
    if(NOT KELMMATH_BUILD_BENCHMARKS)
        return()
    endif()
    cmake_language(EVAL CODE "
        cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]]
                       CALL kelm_bench_internals_now ${bench} ${family})")
endfunction()

function(kelm_bench_internals_now bench family)
    if(NOT TARGET ${bench})
        return()
    endif()
    target_sources(${bench} PRIVATE $<TARGET_OBJECTS:kelmmath_${family}>)
    target_include_directories(${bench} PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(${bench} PRIVATE KELMMATH_BENCH_INTERNALS)
    find_package(CGAL QUIET)
    if(CGAL_FOUND)
        target_link_libraries(${bench} PRIVATE CGAL::CGAL)
        target_compile_definitions(${bench} PRIVATE KELMMATH_BENCH_PEER)
        message(STATUS "kelmmath: ${bench} compares with CGAL")
    else()
        message(STATUS "kelmmath: ${bench} without a peer comparison (no libcgal-dev)")
    endif()
endfunction()
