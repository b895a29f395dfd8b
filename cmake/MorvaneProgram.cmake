# morvane_add_program(<target> OUTPUT_NAME <name> [RC <file.rc> [MANIFEST <file.manifest.in>]]
#                     SOURCES <...> LIBS <...>)
# A Windows GUI program of the system: the wide entry point wWinMain, its
# resources compiled from a UTF-8 .rc, linked statically, stripped, and
# without the library code it never calls. -municode only at the link: as a
# compile option it would define UNICODE, and every call names its W
# function itself. The manifest template gets the build's processor
# (MORVANE_MANIFEST_ARCHITECTURE) and lands in the binary directory under its
# name without ".in", where the .rc finds it.
function(morvane_add_program target)
  cmake_parse_arguments(P "" "OUTPUT_NAME;RC;MANIFEST" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} WIN32 ${P_SOURCES} ${P_RC} "${PROJECT_SOURCE_DIR}/common/gui_terminate.cpp")
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${P_OUTPUT_NAME}
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
  target_link_libraries(${target} PRIVATE ${P_LIBS})
  target_link_options(${target} PRIVATE -municode -s -Wl,--gc-sections)
  if(P_RC)
    set_source_files_properties(${P_RC} PROPERTIES COMPILE_OPTIONS "--codepage=65001")
  endif()
  if(P_MANIFEST)
    get_filename_component(manifest_name "${P_MANIFEST}" NAME_WLE)
    set(manifest "${CMAKE_CURRENT_BINARY_DIR}/${manifest_name}")
    configure_file("${P_MANIFEST}" "${manifest}" @ONLY)
    set_property(SOURCE ${P_RC} APPEND PROPERTY INCLUDE_DIRECTORIES "${CMAKE_CURRENT_BINARY_DIR}")
    set_property(SOURCE ${P_RC} APPEND PROPERTY OBJECT_DEPENDS "${manifest}")
  endif()
endfunction()
