# What `cmake --install` puts in place besides the libraries and their headers:
# the programs, a CMake package and a pkg-config file for consumers, the
# desktop entry with its icons, and the manual page of orvan.
include(CMakePackageConfigHelpers)

if(WIN32)
  # One folder, as Windows programs come: both programs and the type database
  # they read from their own folder.
  install(TARGETS orvan OrvanCommonClassesTest RUNTIME DESTINATION .)
  install(FILES ${ORVAN_MAGIC_DATABASE} DESTINATION .)
  return()
endif()

set(ORVAN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvanCommonClassesTest)
install(EXPORT OrvanTargets NAMESPACE Orvan:: DESTINATION ${ORVAN_CMAKE_DIR}
  FILE OrvanCommonClassesTestTargets.cmake)
configure_package_config_file(cmake/OrvanCommonClassesTestConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfig.cmake INSTALL_DESTINATION ${ORVAN_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfig.cmake
  ${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfigVersion.cmake DESTINATION ${ORVAN_CMAKE_DIR})

configure_file(cmake/orvan.pc.in ${PROJECT_BINARY_DIR}/orvan.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/orvan.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS orvan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
configure_file(app/cli/orvan.1.in ${PROJECT_BINARY_DIR}/orvan.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/orvan.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(ORVAN_BUILD_GUI)
  install(TARGETS OrvanCommonClassesTest RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES app/gui/OrvanCommonClassesTest.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 24 32 64)
    install(FILES app/gui/icons/OrvanCommonClassesTest-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME OrvanCommonClassesTest.png)
  endforeach()
endif()

# A cross build's package is for the target system, not for this one's compiler.
if(ORVAN_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING)
  # A consumer of a sanitized build links the sanitizer's runtime too.
  list(JOIN ORVAN_SANITIZER_FLAGS " " consumer_flags)
  add_test(NAME InstalledPackageBuildsAConsumer
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/installed-package "-DCXX_FLAGS=${consumer_flags}"
            -P ${PROJECT_SOURCE_DIR}/tests/install/CheckInstalledPackage.cmake)
endif()
