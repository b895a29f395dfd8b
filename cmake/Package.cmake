# The Windows release: Morvane-1.0.0-win32.zip from the x86 build,
# Morvane-1.0.0-win64.zip from the x64 one, each unpacking into one program
# directory with the three programs and an empty card store. The editor
# never creates `cards`, so the package must carry it, and a zip holds an
# empty directory only as an entry of its own.
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
set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(MORVANE_WINDOWS_ARCH STREQUAL x64)
  set(CPACK_PACKAGE_FILE_NAME "Morvane-${PROJECT_VERSION}-win64")
else()
  set(CPACK_PACKAGE_FILE_NAME "Morvane-${PROJECT_VERSION}-win32")
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_COMPONENTS_ALL programs)
include(CPack)
