# The Windows installer: CPack stages what the install rules install, then runs
# MakeMsi.cmake, which builds the .msi from OrvanCommonClassesTest.wxs with wixl.
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_REQUESTED_VERSIONS 1.0)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/MakeMsi.cmake)
set(CPACK_COMPONENTS_ALL programs)
set(CPACK_ORVAN_WXS ${CMAKE_CURRENT_LIST_DIR}/OrvanCommonClassesTest.wxs)
set(CPACK_ORVAN_ICON ${PROJECT_SOURCE_DIR}/app/gui/icons/OrvanCommonClassesTest.ico)
