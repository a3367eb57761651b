include(CMakePackageConfigHelpers)

install(TARGETS kelmmath EXPORT kelmmathTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.h")

set(KELMMATH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kelmmath)
install(EXPORT kelmmathTargets NAMESPACE kelmmath:: DESTINATION ${KELMMATH_CMAKE_DIR})
configure_package_config_file(cmake/kelmmathConfig.cmake.in
    ${PROJECT_BINARY_DIR}/kelmmathConfig.cmake
    INSTALL_DESTINATION ${KELMMATH_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kelmmathConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kelmmathConfig.cmake
              ${PROJECT_BINARY_DIR}/kelmmathConfigVersion.cmake
        DESTINATION ${KELMMATH_CMAKE_DIR})

# The .pc file finds its prefix relative to its own folder, so it stays right
# whatever --prefix the install is given.
file(RELATIVE_PATH KELMMATH_PC_TO_PREFIX
    "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" KELMMATH_PC_TO_PREFIX "${KELMMATH_PC_TO_PREFIX}")
configure_file(cmake/kelmmath.pc.in ${PROJECT_BINARY_DIR}/kelmmath.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kelmmath.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
