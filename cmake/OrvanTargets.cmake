# Helpers shared by every subsystem: warnings, library targets with namespaced
# aliases, and GoogleTest executables registered with ctest.

function(orvan_set_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wnon-virtual-dtor
    -Wold-style-cast -Woverloaded-virtual -Wcast-align -Wdouble-promotion
    -Wformat=2 -Wimplicit-fallthrough)
  if(ORVAN_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# orvan_add_library(<target> <alias> <sources>...): a library of ours, reachable
# as Orvan::<alias> in the build and in the installed package, whose headers
# are included as "<subsystem>/<Header>.h" and installed below include/orvan.
function(orvan_add_library target alias)
  add_library(${target} ${ARGN})
  add_library(Orvan::${alias} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${alias})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/orvan>)
  target_compile_features(${target} PUBLIC cxx_std_20)
  orvan_set_warnings(${target})

  file(RELATIVE_PATH subsystem ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  install(TARGETS ${target} EXPORT OrvanTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvan/${subsystem}
    FILES_MATCHING PATTERN "*.h"
    PATTERN tests EXCLUDE PATTERN cli EXCLUDE PATTERN gui EXCLUDE PATTERN tools EXCLUDE)
endfunction()

# orvan_add_test(<target> SOURCES <files>... LIBRARIES <libs>...)
function(orvan_add_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} Orvan::TestSupport GTest::gmock GTest::gtest_main)
  orvan_set_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
endfunction()
