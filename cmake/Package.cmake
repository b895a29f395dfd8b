# The Windows release: Morvane-1.0.0-win32.zip from the x86 build,
# Morvane-1.0.0-win64.zip from the x64 one, each unpacking into one program
# directory with the three programs and an empty card store. The editor
# never creates `cards`, so the package must carry it, and a zip holds an
# empty directory only as an entry of its own. Beside each zip the per-user
# installer of the same programs, Morvane-1.0.0-win32.msi or -win64.msi, and
# SHA256SUMS, made after the zip from what it holds (cmake/MsiPackage.cmake).
if(NOT WIN32)
  return()
endif()

foreach(program manager_program check_program create_program)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION . COMPONENT programs)
  endif()
endforeach()
install(DIRECTORY DESTINATION cards COMPONENT programs)
# The package holds only the programs: cpack need not build every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR ZIP)
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/MsiPackage.cmake")
set(CPACK_MORVANE_ARCH ${MORVANE_WINDOWS_ARCH})
set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${MORVANE_PACKAGE_FILE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_COMPONENTS_ALL programs)
include(CPack)
