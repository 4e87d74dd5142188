# Installs the build into a scratch prefix, builds a consumer against it with
# find_package, and runs it. Called by ctest with -DBUILD_DIR, -DSOURCE_DIR,
# -DWORK_DIR, -DLIB_DIR (lib/x86_64-linux-gnu in a build for /usr) and -DCXX_FLAGS.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
  RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "install failed: ${result}")
endif()
foreach(file ${LIB_DIR}/pkgconfig/orvan.pc share/man/man1/orvan.1.gz bin/orvan
             ${LIB_DIR}/cmake/OrvanCommonClassesTest/OrvanCommonClassesTestConfigVersion.cmake)
  if(NOT EXISTS ${WORK_DIR}/prefix/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# Only the public headers are installed: none of the library's machinery, and
# nothing that would make a consumer compile against zlib or expat.
set(include_dir ${WORK_DIR}/prefix/include/orvan)
foreach(private library/zip/ZipFormat.h library/zip/PieceDeflater.h library/io/HugePageArena.h
                library/io/FaultInjection.h library/io/TransferBuffer.h library/format/XmlText.h
                library/format/ArchiveWriter.h library/ClassInfo.h)
  if(EXISTS ${include_dir}/${private})
    message(FATAL_ERROR "a private header is installed: ${private}")
  endif()
endforeach()
# Every installed header compiles, against the installed ones only.
file(GLOB_RECURSE headers RELATIVE ${include_dir} ${include_dir}/*.h)
set(all_headers ${WORK_DIR}/AllHeaders.cpp)
file(WRITE ${all_headers} "// Generated: every installed header, included together.\n")
foreach(header IN LISTS headers)
  file(STRINGS ${include_dir}/${header} dependencies REGEX "#include <(zlib|expat|magic)\\.h>")
  if(dependencies)
    message(FATAL_ERROR "${header} makes consumers compile against a dependency: ${dependencies}")
  endif()
  file(APPEND ${all_headers} "#include \"${header}\"\n")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/build -G Ninja
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}"
  -DORVAN_ALL_HEADERS=${all_headers}
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "configuring the consumer failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "building the consumer failed")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer ${WORK_DIR}/saved.orvan
  OUTPUT_VARIABLE output RESULT_VARIABLE result)
if(result OR NOT output STREQUAL "saved 2010-03-15T00:00:00.000\n")
  message(FATAL_ERROR "the consumer failed: ${result} ${output}")
endif()
message(STATUS "consumer: ${output}")
