# The packages people install, made by CPack from the install rules
# (scripts/package.sh runs it): on Linux the Debian packages `orvan` (the
# programs) and `liborvan-dev` (libraries, headers, CMake and pkg-config
# files); on Windows an .msi built with wixl (packaging/windows/). Every one
# carries the project's version; `cpack -R VERSION` makes one of another.
set(CPACK_PACKAGE_VENDOR "The ${PROJECT_NAME} developers")
set(CPACK_PACKAGE_CONTACT "${PROJECT_NAME} developers <maintainers@orvan.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Export and import patient-record archives")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  include(packaging/windows/Msi.cmake)
else()
  include(packaging/debian/Deb.cmake)
endif()
include(CPack)
