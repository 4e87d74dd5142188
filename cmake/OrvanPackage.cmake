# What `cmake --install` puts in place besides the libraries and their headers:
# the programs, a CMake package and a pkg-config file for consumers, the
# desktop entry with its icons, and the programs' manual pages. Each rule names
# its component: `programs` or `development`, the Debian packages' split.
include(CMakePackageConfigHelpers)

if(WIN32)
  # One folder, as Windows programs come: both programs and the type database
  # they read from their own folder.
  install(TARGETS orvan OrvanCommonClassesTest RUNTIME DESTINATION . COMPONENT programs)
  install(FILES ${ORVAN_MAGIC_DATABASE} DESTINATION . COMPONENT programs)
  return()
endif()

set(ORVAN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvanCommonClassesTest)
install(EXPORT OrvanTargets NAMESPACE Orvan:: DESTINATION ${ORVAN_CMAKE_DIR}
  FILE OrvanCommonClassesTestTargets.cmake COMPONENT development)
configure_package_config_file(cmake/OrvanCommonClassesTestConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfig.cmake INSTALL_DESTINATION ${ORVAN_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfig.cmake
  ${PROJECT_BINARY_DIR}/OrvanCommonClassesTestConfigVersion.cmake DESTINATION ${ORVAN_CMAKE_DIR}
  COMPONENT development)

# The pkg-config file finds the prefix from its own folder, however deep the
# library folder lies (lib/x86_64-linux-gnu in a Debian package). Our libraries
# are static, so a consumer links what they link: these pkg-config modules.
file(RELATIVE_PATH ORVAN_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
set(ORVAN_PC_REQUIRES zlib expat libmagic)
list(JOIN ORVAN_PC_REQUIRES " " ORVAN_PC_REQUIRES_LINE)
configure_file(cmake/orvan.pc.in ${PROJECT_BINARY_DIR}/orvan.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/orvan.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# orvan_gzip(FILE COMPRESSED): compresses FILE as Debian keeps manual pages and
# changelogs (at the highest level, without a time stamp), again whenever it changes.
function(orvan_gzip file compressed)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  get_filename_component(folder ${compressed} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND gzip -9nc ${file} OUTPUT_FILE ${compressed} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

install(TARGETS orvan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
# The manual pages carry the project's version.
set(man_pages app/cli/orvan.1.in)
if(ORVAN_BUILD_GUI)
  list(APPEND man_pages app/gui/OrvanCommonClassesTest.1.in)
endif()
foreach(page IN LISTS man_pages)
  get_filename_component(name ${page} NAME_WLE)
  configure_file(${page} ${PROJECT_BINARY_DIR}/man/${name} @ONLY)
  orvan_gzip(${PROJECT_BINARY_DIR}/man/${name} ${PROJECT_BINARY_DIR}/man/${name}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
endforeach()
if(ORVAN_BUILD_GUI)
  install(TARGETS OrvanCommonClassesTest RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  install(FILES app/gui/OrvanCommonClassesTest.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    COMPONENT programs)
  foreach(size 16 24 32 64)
    install(FILES app/gui/icons/OrvanCommonClassesTest-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME OrvanCommonClassesTest.png COMPONENT programs)
  endforeach()
endif()

# A cross build's package is for the target system, not for this one's compiler.
if(ORVAN_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING)
  # A consumer of a sanitized build links the sanitizer's runtime too.
  list(JOIN ORVAN_SANITIZER_FLAGS " " consumer_flags)
  add_test(NAME InstalledPackageBuildsAConsumer
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/installed-package -DLIB_DIR=${CMAKE_INSTALL_LIBDIR}
            "-DCXX_FLAGS=${consumer_flags}"
            -P ${PROJECT_SOURCE_DIR}/tests/install/CheckInstalledPackage.cmake)
endif()
