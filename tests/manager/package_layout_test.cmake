# Makes the release with cpack, unpacks the zip and checks what a Windows
# user gets: the three programs, an empty `cards` directory, and the guide
# and the licence as the build makes them from docs/guide.md and LICENSE; in the
# -win32 zip 32-bit programs (PE32, x86) whose manifests say x86, in the
# -win64 zip 64-bit ones (PE32+, x64) whose manifests say amd64. Checks the
# installer beside it as a file (the same programs, its platform and
# language, where it installs), and SHA256SUMS; and makes two installers of
# an older version for the package tests (tests/package), which install them.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/unpacked")
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BUILD_DIR}" --target check_program create_program manager_program
                        plain_texts
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
if(NOT everything STREQUAL "LICENSE.txt;Morvane.exe;README.txt;cards;check.exe;create.exe")
  message(FATAL_ERROR "unexpected package content: ${everything}")
endif()
# Each made anew here from its source must be the package's, byte for byte.
foreach(plain ${CPACK_MORVANE_PLAIN_TEXTS})
  string(REPLACE "=" ";" plain "${plain}")
  list(GET plain 0 source)
  list(GET plain 1 name)
  list(GET plain 2 verbatim)
  execute_process(COMMAND ${CMAKE_COMMAND} -DINPUT=${SOURCE_DIR}/${source} -DOUTPUT=${WORK_DIR}/${name}
                          -DVERBATIM=${verbatim} -P ${SOURCE_DIR}/cmake/PlainText.cmake RESULT_VARIABLE result)
  file(SHA256 "${WORK_DIR}/${name}" made)
  file(SHA256 "${top}/${name}" packaged)
  if(NOT result EQUAL 0 OR NOT made STREQUAL packaged)
    message(FATAL_ERROR "the package's ${name} is not ${source} as plain text")
  endif()
  file(REMOVE "${WORK_DIR}/${name}")
endforeach()

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

# --- the installer beside it, read with msitools -------------------------
set(msi "${WORK_DIR}/${CPACK_PACKAGE_FILE_NAME}.msi")
if(NOT EXISTS "${msi}")
  message(FATAL_ERROR "no ${msi}")
endif()
# msiinfo SUBCOMMAND ARGUMENT... into `out`
function(msiinfo out)
  execute_process(COMMAND msiinfo ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo ${ARGN} failed: ${error}")
  endif()
  set(${out} "${said}" PARENT_SCOPE)
endfunction()
function(expect_in text wanted what)
  string(FIND "${text}" "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${CPACK_PACKAGE_FILE_NAME}.msi: ${what} lacks '${wanted}':\n${text}")
  endif()
endfunction()
include("${SOURCE_DIR}/cmake/MsiPackage.cmake")
if(architecture STREQUAL amd64)
  set(platform x64)
  set(upgrade_code "{${MORVANE_MSI_UPGRADE_CODE_x64}}")
  set(other_build_code "{${MORVANE_MSI_UPGRADE_CODE_x86}}")
else()
  set(platform Intel)
  set(upgrade_code "{${MORVANE_MSI_UPGRADE_CODE_x86}}")
  set(other_build_code "{${MORVANE_MSI_UPGRADE_CODE_x64}}")
endif()
msiinfo(summary suminfo "${msi}")
expect_in("${summary}" "Template: ${platform};2052" "the summary")
msiinfo(properties export "${msi}" Property)
foreach(property "ProductName\tMorvane" "ProductVersion\t${CPACK_PACKAGE_VERSION}" "ProductLanguage\t2052"
                 "UpgradeCode\t${upgrade_code}" "ARPPRODUCTICON\tMorvane.exe")
  expect_in("${properties}" "${property}" "the Property table")
endforeach()
# It replaces its own build's older versions and the same version, refuses
# newer ones and the other build, and says why in Chinese.
msiinfo(upgrades export "${msi}" Upgrade)
foreach(upgrade "${upgrade_code}\t\t${CPACK_PACKAGE_VERSION}\t\t513\t\tWIX_UPGRADE_DETECTED"
                "${upgrade_code}\t${CPACK_PACKAGE_VERSION}\t\t\t2\t\tWIX_DOWNGRADE_DETECTED"
                "${other_build_code}\t0.0.0\t\t\t258\t\tOTHERBUILDINSTALLED")
  expect_in("${upgrades}" "${upgrade}" "the Upgrade table")
endforeach()
msiinfo(conditions export "${msi}" LaunchCondition)
foreach(condition "NOT WIX_DOWNGRADE_DETECTED\t已安装更新版本的 Morvane" "NOT OTHERBUILDINSTALLED\t已安装另一版本")
  expect_in("${conditions}" "${condition}" "the LaunchCondition table")
endforeach()
msiinfo(directories export "${msi}" Directory)
foreach(directory "INSTALLDIR\tUserProgramsFolder\tMorvane" "UserProgramsFolder\tLocalAppDataFolder\tPrograms"
                  "CARDS\tINSTALLDIR\tcards")
  expect_in("${directories}" "${directory}" "the Directory table")
endforeach()
msiinfo(shortcuts export "${msi}" Shortcut)
foreach(shortcut "ProgramMenuFolder\tMorvane\tManager\t[#Morvane.exe]"
                 "ProgramMenuFolder\tMorvane 使用指南\tGuide\t[#README.txt]\t\tMorvane 使用指南")
  expect_in("${shortcuts}" "${shortcut}" "the Shortcut table")
endforeach()
msiinfo(files export "${msi}" File)
string(REGEX MATCHALL "[^\r\n]+" lines "${files}")
list(LENGTH lines line_count)
if(NOT line_count EQUAL 8)  # three lines of column names, types and key, then one a file
  message(FATAL_ERROR "${CPACK_PACKAGE_FILE_NAME}.msi: the File table is not the programs, the guide and the licence:\n${files}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}/extracted")
execute_process(COMMAND msiextract -C "${WORK_DIR}/extracted" "${msi}" RESULT_VARIABLE result OUTPUT_QUIET)
foreach(program Morvane.exe check.exe create.exe README.txt LICENSE.txt)
  file(GLOB_RECURSE extracted "${WORK_DIR}/extracted/*/${program}")
  list(LENGTH extracted count)
  if(NOT result EQUAL 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "${CPACK_PACKAGE_FILE_NAME}.msi: ${program} not extracted (msiextract: ${result})")
  endif()
  file(SHA256 "${extracted}" in_msi)
  file(SHA256 "${top}/${program}" in_zip)
  if(NOT in_msi STREQUAL in_zip)
    message(FATAL_ERROR "${CPACK_PACKAGE_FILE_NAME}.msi: ${program} is not the zip's")
  endif()
endforeach()

execute_process(COMMAND sha256sum -c SHA256SUMS WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
file(STRINGS "${WORK_DIR}/SHA256SUMS" sums)
list(LENGTH sums sum_count)
if(NOT result EQUAL 0 OR NOT sum_count EQUAL 2)
  message(FATAL_ERROR "SHA256SUMS (${sum_count} lines) does not check:\n${said}")
endif()
message(STATUS "${CPACK_PACKAGE_FILE_NAME}.msi installs the zip's programs for the user, ${platform};2052")

# Two installers of an older version, the second a rebuild of the first
# (the same version, a product code of its own), from the zip's programs.
morvane_make_msi("${top}" ${CPACK_MORVANE_ARCH} 0.9.0 "${WORK_DIR}/older.msi")
morvane_make_msi("${top}" ${CPACK_MORVANE_ARCH} 0.9.0 "${WORK_DIR}/older-rebuilt.msi")
