# How the three programs are built, apart from the tests that drive them.
#
# The programs are built small: without exceptions (none is caught, and an
# uncaught one ends the program anyway), without run-time type information,
# without the locking of function-local statics (no program starts a thread)
# and with link-time optimization, which drops every function a program
# never calls. common/program_runtime.cpp stands for the parts of the C++
# runtime that would throw. On x86 no unwind tables either: there they only
# serve C++ exceptions, while an x64 program keeps its .pdata and .xdata,
# by which Windows walks the stack of a crash dump.
# The tests keep exceptions and threads (GoogleTest uses both), so the
# project's libraries are built twice on Windows: <name> for the tests, and
# <name>_program, the same code built as the programs are, for the programs.
if(WIN32)
  add_library(morvane_program_flags INTERFACE)
  target_compile_options(morvane_program_flags INTERFACE
    "$<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti;-fno-threadsafe-statics>")
  if(MORVANE_WINDOWS_ARCH STREQUAL x86)
    target_compile_options(morvane_program_flags INTERFACE
      "$<$<COMPILE_LANGUAGE:C,CXX>:-fno-asynchronous-unwind-tables;-fno-unwind-tables>")
  endif()
endif()

# Each program enters at MorvaneEntry (common/program_runtime.cpp), which
# restricts the DLL search to the system folder before the C runtime's own
# entry runs. A C symbol carries a leading underscore on x86.
if(MORVANE_WINDOWS_ARCH STREQUAL x86)
  set(MORVANE_PROGRAM_ENTRY _MorvaneEntry)
else()
  set(MORVANE_PROGRAM_ENTRY MorvaneEntry)
endif()

# morvane_add_library(<name> SOURCES <...> [DEPENDS <project libraries>] [LIBS <system libraries>])
# A static library of the project's own code; on Windows also <name>_program
# (see above). DEPENDS names other libraries made by this function.
function(morvane_add_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  set(variants ${name})
  if(WIN32)
    list(APPEND variants ${name}_program)
  endif()
  foreach(variant ${variants})
    add_library(${variant} STATIC ${L_SOURCES})
    target_include_directories(${variant} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${variant} PUBLIC ${L_LIBS})
  endforeach()
  target_link_libraries(${name} PUBLIC ${L_DEPENDS})
  if(WIN32)
    list(TRANSFORM L_DEPENDS APPEND _program)
    target_link_libraries(${name}_program PUBLIC ${L_DEPENDS} morvane_program_flags)
    set_target_properties(${name}_program PROPERTIES INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
endfunction()

# morvane_add_program(<target> OUTPUT_NAME <name> [RC <file.rc> [MANIFEST <file.manifest.in>]]
#                     SOURCES <...> [DEPENDS <project libraries>] [LIBS <system libraries>])
# A Windows GUI program of the system: the wide entry point wWinMain, reached
# through MorvaneEntry (above), its resources compiled from a UTF-8 .rc,
# linked statically, stripped, built as above and linked with the _program
# variants of the DEPENDS libraries.
# -municode only at the link: as a compile option it would define UNICODE,
# and every call names its W function itself. The manifest template gets the
# build's processor (MORVANE_MANIFEST_ARCHITECTURE) and lands in the binary
# directory under its name without ".in", where the .rc finds it.
function(morvane_add_program target)
  cmake_parse_arguments(P "" "OUTPUT_NAME;RC;MANIFEST" "SOURCES;DEPENDS;LIBS" ${ARGN})
  add_executable(${target} WIN32 ${P_SOURCES} ${P_RC} "${PROJECT_SOURCE_DIR}/common/program_runtime.cpp")
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${P_OUTPUT_NAME}
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin"
    INTERPROCEDURAL_OPTIMIZATION ON)
  list(TRANSFORM P_DEPENDS APPEND _program)
  target_link_libraries(${target} PRIVATE ${P_DEPENDS} ${P_LIBS} morvane_program_flags)
  target_link_options(${target} PRIVATE -municode -s -Wl,--gc-sections -Wl,-e,${MORVANE_PROGRAM_ENTRY})
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
