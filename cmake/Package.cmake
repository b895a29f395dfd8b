# The Windows release: Morvane-1.0.0-win32.zip from the x86 build,
# Morvane-1.0.0-win64.zip from the x64 one, each unpacking into one program
# directory with the three programs, an empty card store, the user's guide
# (README.txt, made from docs/guide.md) and the licence (LICENSE.txt). The editor
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

# The guide and the licence as plain text that Notepad shows right, with an
# ASCII name: Windows 7's zip folder garbles a Chinese one, and wixl drops
# what is not ASCII from the tables it writes.
# Source=name=verbatim, also read by the package layout test from
# CPackConfig.cmake.
set(CPACK_MORVANE_PLAIN_TEXTS "docs/guide.md=README.txt=OFF" "LICENSE=LICENSE.txt=ON")
set(MORVANE_PLAIN_TEXTS "")
foreach(plain ${CPACK_MORVANE_PLAIN_TEXTS})
  string(REPLACE "=" ";" plain "${plain}")
  list(GET plain 0 source)
  list(GET plain 1 name)
  list(GET plain 2 verbatim)
  add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/${name}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/${source} -DOUTPUT=${CMAKE_BINARY_DIR}/${name}
            -DVERBATIM=${verbatim} -P ${CMAKE_CURRENT_LIST_DIR}/PlainText.cmake
    DEPENDS "${CMAKE_SOURCE_DIR}/${source}" "${CMAKE_CURRENT_LIST_DIR}/PlainText.cmake"
    COMMENT "Writing ${name} from ${source}")
  list(APPEND MORVANE_PLAIN_TEXTS "${CMAKE_BINARY_DIR}/${name}")
endforeach()
add_custom_target(plain_texts ALL DEPENDS ${MORVANE_PLAIN_TEXTS})
install(FILES ${MORVANE_PLAIN_TEXTS} DESTINATION . COMPONENT programs)
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
