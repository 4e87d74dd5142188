# Run by CPack once the install rules' files are staged in the folder of their
# component, CPACK_TEMPORARY_DIRECTORY/programs: lists them for wixl (wixl-heat
# gives each file a component of its own), then builds the .msi with the
# package's version. wixl takes relative source paths only, so both run in the
# staging folder's parent.
set(work ${CPACK_TOPLEVEL_DIRECTORY})
set(staged ${CPACK_TEMPORARY_DIRECTORY}/programs)
file(RELATIVE_PATH stage ${work} ${staged})
file(GLOB_RECURSE files LIST_DIRECTORIES false ${staged}/*)
if(NOT files)
  message(FATAL_ERROR "MakeMsi: nothing staged in ${staged}")
endif()
list(SORT files)
list(JOIN files "\n" file_list)
file(WRITE ${work}/files.txt "${file_list}\n")
file(COPY_FILE ${CPACK_ORVAN_ICON} ${work}/OrvanCommonClassesTest.ico)

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE result)
  if(result)
    message(FATAL_ERROR "MakeMsi: ${ARGV0} failed: ${result}")
  endif()
endfunction()
run(wixl-heat --prefix ${staged}/ --directory-ref INSTALLDIR --component-group ProgramFiles
    --var var.StageDir --win64 INPUT_FILE ${work}/files.txt OUTPUT_FILE ${work}/files.wxs)
set(msi ${work}/${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-x64.msi)
run(wixl --arch x64 --define=Win64=yes --define=StageDir=${stage} --define=Icon=OrvanCommonClassesTest.ico
    --define=Version=${CPACK_PACKAGE_VERSION} "--define=Manufacturer=${CPACK_PACKAGE_VENDOR}"
    "--define=Description=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}" -o ${msi} ${CPACK_ORVAN_WXS} files.wxs)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${msi})
