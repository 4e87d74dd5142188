# Helpers shared by every subsystem: warnings, library targets with namespaced
# aliases, and GoogleTest executables registered with ctest.

function(orvan_set_warnings target)
  # C++ only: a program's resource script goes to the resource compiler.
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wnon-virtual-dtor
    -Wold-style-cast -Woverloaded-virtual -Wcast-align -Wdouble-promotion
    -Wformat=2 -Wimplicit-fallthrough>)
  if(ORVAN_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
  endif()
endfunction()

# orvan_add_library(<target> <alias> <sources>... [PUBLIC_HEADERS <headers>...]):
# a library of ours, reachable as Orvan::<alias> in the build and in the
# installed package, whose headers are included as "<subsystem>/<Header>.h".
# Only its public headers are installed, below include/orvan: those named
# (paths relative to the subsystem's folder), or, where a subsystem names
# none, every header directly in its folder.
function(orvan_add_library target alias)
  cmake_parse_arguments(ARG "" "" "PUBLIC_HEADERS" ${ARGN})
  add_library(${target} ${ARG_UNPARSED_ARGUMENTS})
  add_library(Orvan::${alias} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${alias})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/orvan>)
  target_compile_features(${target} PUBLIC cxx_std_20)
  orvan_set_warnings(${target})

  if(WIN32)
    return()  # the Windows package holds the programs alone
  endif()
  file(RELATIVE_PATH subsystem ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  install(TARGETS ${target} EXPORT OrvanTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  # `--strip` (and so the packages) leaves out the archive's debugging information too.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${target}>\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()" COMPONENT development)
  if(NOT ARG_PUBLIC_HEADERS)
    file(GLOB ARG_PUBLIC_HEADERS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS *.h)
  endif()
  foreach(header IN LISTS ARG_PUBLIC_HEADERS)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvan/${subsystem}/${folder}
      COMPONENT development)
  endforeach()
endfunction()

# orvan_add_executable(<target> [WIN32] [RESOURCES <script>] <sources>...): a
# program of ours (WIN32: with windows of its own, no console); on Windows with
# a manifest that makes its char strings UTF-8, either the common one or the
# one in its own resource script, and with libmagic's type database beside
# it, where the program looks for it there.
function(orvan_add_executable target)
  cmake_parse_arguments(ARG "WIN32" "RESOURCES" "" ${ARGN})
  if(ARG_WIN32)
    add_executable(${target} WIN32 ${ARG_UNPARSED_ARGUMENTS})
  else()
    add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
  endif()
  if(WIN32)
    enable_language(RC)
    if(ARG_RESOURCES)
      target_sources(${target} PRIVATE ${ARG_RESOURCES})
    else()
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/windows/utf8-manifest.rc)
    endif()
    find_file(ORVAN_MAGIC_DATABASE magic.mgc PATH_SUFFIXES share/misc REQUIRED)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORVAN_MAGIC_DATABASE} $<TARGET_FILE_DIR:${target}>)
  endif()
endfunction()

# orvan_add_test(<target> SOURCES <files>... LIBRARIES <libs>...)
function(orvan_add_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  orvan_add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} Orvan::TestSupport GTest::gmock GTest::gtest_main)
  orvan_set_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
endfunction()
