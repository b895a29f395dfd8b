# Makes the release zip with cpack, unpacks it and checks what a Windows
# user gets: the three programs and an empty `cards` directory; in the
# -win32 zip 32-bit programs (PE32, x86) whose manifests say x86, in the
# -win64 zip 64-bit ones (PE32+, x64) whose manifests say amd64.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/unpacked")
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BUILD_DIR}" --target check_program create_program manager_program
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "building the programs failed:\n${output}")
endif()
execute_process(COMMAND cpack --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
include("${BUILD_DIR}/CPackConfig.cmake")
set(zip "${WORK_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip")
if(NOT EXISTS "${zip}")
  message(FATAL_ERROR "no ${zip}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${zip}" WORKING_DIRECTORY "${WORK_DIR}/unpacked"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${zip}")
endif()
set(top "${WORK_DIR}/unpacked/${CPACK_PACKAGE_FILE_NAME}")
foreach(program Morvane.exe check.exe create.exe)
  if(NOT EXISTS "${top}/${program}")
    message(FATAL_ERROR "the package lacks ${program}")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${top}/cards")
  message(FATAL_ERROR "the package lacks the cards directory")
endif()
file(GLOB in_cards "${top}/cards/*")
if(in_cards)
  message(FATAL_ERROR "the package's cards directory is not empty: ${in_cards}")
endif()
file(GLOB everything RELATIVE "${top}" "${top}/*")
list(SORT everything)
if(NOT everything STREQUAL "Morvane.exe;cards;check.exe;create.exe")
  message(FATAL_ERROR "unexpected package content: ${everything}")
endif()

# A little-endian number of `bytes` bytes at `offset` of `file`.
function(read_number file offset bytes out)
  file(READ "${file}" hex OFFSET ${offset} LIMIT ${bytes} HEX)
  set(number "")
  while(hex)
    string(SUBSTRING "${hex}" 0 2 byte)
    string(SUBSTRING "${hex}" 2 -1 hex)
    set(number "${byte}${number}")
  endwhile()
  math(EXPR number "0x0${number}")
  set(${out} ${number} PARENT_SCOPE)
endfunction()

if(CPACK_PACKAGE_FILE_NAME MATCHES "-win32$")
  set(machine 332)  # IMAGE_FILE_MACHINE_I386
  set(magic 267)    # PE32
  set(architecture x86)
elseif(CPACK_PACKAGE_FILE_NAME MATCHES "-win64$")
  set(machine 34404)  # IMAGE_FILE_MACHINE_AMD64
  set(magic 523)      # PE32+
  set(architecture amd64)
else()
  message(FATAL_ERROR "${CPACK_PACKAGE_FILE_NAME}: the package name says neither win32 nor win64")
endif()
foreach(program Morvane.exe check.exe create.exe)
  read_number("${top}/${program}" 60 4 pe_header)  # e_lfanew
  math(EXPR file_header "${pe_header} + 4")
  math(EXPR optional_header "${pe_header} + 24")
  read_number("${top}/${program}" ${pe_header} 4 signature)
  read_number("${top}/${program}" ${file_header} 2 found_machine)
  read_number("${top}/${program}" ${optional_header} 2 found_magic)
  if(NOT signature EQUAL 17744 OR NOT found_machine EQUAL machine OR NOT found_magic EQUAL magic)
    message(FATAL_ERROR "${program} in ${CPACK_PACKAGE_FILE_NAME}: PE signature ${signature}, machine "
                        "${found_machine}, optional header ${found_magic}; expected 17744 (\"PE\\0\\0\"), "
                        "${machine} and ${magic}")
  endif()
  file(STRINGS "${top}/${program}" named REGEX "processorArchitecture=\"[^\"]*\"")
  string(REGEX MATCHALL "processorArchitecture=\"[^\"]*\"" named "${named}")
  list(REMOVE_DUPLICATES named)
  if(NOT named STREQUAL "processorArchitecture=\"${architecture}\"")
    message(FATAL_ERROR "${program} in ${CPACK_PACKAGE_FILE_NAME}: the manifest names ${named}, not ${architecture}")
  endif()
endforeach()
message(STATUS "${CPACK_PACKAGE_FILE_NAME}.zip holds: ${everything}, ${architecture} programs")
