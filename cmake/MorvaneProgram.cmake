# morvane_add_program(<target> OUTPUT_NAME <name> RC <file.rc> SOURCES <...> LIBS <...>)
# A Windows GUI program of the system: the wide entry point wWinMain, its
# resources compiled from a UTF-8 .rc, linked statically, stripped, and
# without the library code it never calls. -municode only at the link: as a
# compile option it would define UNICODE, and every call names its W
# function itself.
function(morvane_add_program target)
  cmake_parse_arguments(P "" "OUTPUT_NAME;RC" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} WIN32 ${P_SOURCES} ${P_RC} "${PROJECT_SOURCE_DIR}/common/gui_terminate.cpp")
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${P_OUTPUT_NAME}
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
  target_link_libraries(${target} PRIVATE ${P_LIBS})
  target_link_options(${target} PRIVATE -municode -s -Wl,--gc-sections)
  if(P_RC)
    set_source_files_properties(${P_RC} PROPERTIES COMPILE_OPTIONS "--codepage=65001")
  endif()
endfunction()
