# The Debian packages: `orvan` with the programs, their manual pages, the
# desktop entry and the icons; `liborvan-dev` with the static libraries, the
# public headers and the CMake and pkg-config files. They install where the
# build was configured to install (scripts/package.sh configures /usr), which
# is also where the programs know they are installed.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs development)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE orvan)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME orvan)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
The dialog OrvanCommonClassesTest and the command-line tool orvan export a
patient communication record into one archive file, with its attached
documents inside, and import such archives again. orvan also prints and
checks archives.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME liborvan-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "Patient-record archives: development files
The static libraries of OrvanCommonClassesTest (record model, record library,
exchange handler and commands), their public headers below
/usr/include/orvan, the CMake package OrvanCommonClassesTest and the
pkg-config module orvan.")
# Each description begins with its package's own synopsis: CPack puts a
# summary before it unless the summary is CPack's default.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")

# The libraries are static, and dpkg-shlibdeps reads shared objects only. A
# consumer links what they link (the pkg-config file's modules), so the package
# depends on the packages that hold those modules here.
find_package(PkgConfig REQUIRED)
set(depends "")
foreach(module IN LISTS ORVAN_PC_REQUIRES)
  pkg_get_variable(folder ${module} pcfiledir)
  execute_process(COMMAND dpkg-query --search ${folder}/${module}.pc
    OUTPUT_VARIABLE owner OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
  if(result OR NOT owner)
    message(FATAL_ERROR "no installed package holds the pkg-config module ${module}")
  endif()
  string(REGEX REPLACE "[:,].*" "" owner "${owner}")
  list(APPEND depends ${owner})
endforeach()
list(JOIN depends ", " CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS)

# What Debian asks of every package and a plain `cmake --install` does without:
# the copyright and the changelog. Installed only for the packages.
string(TIMESTAMP ORVAN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
orvan_gzip(${PROJECT_BINARY_DIR}/debian/changelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
