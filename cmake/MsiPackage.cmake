# The per-user Windows Installer package of one build (cmake/Morvane.wxs),
# made by wixl and finished by msibuild, both of Debian's msitools.
#
# As cpack's post-build script (cmake/Package.cmake): from the programs of
# the zip, Morvane-<version>-win32.msi or -win64.msi beside it, and
# SHA256SUMS of both in the form `sha256sum -c` reads.
# As a script of its own, for the package tests' other versions:
#   cmake -DMSI_PROGRAMS=<folder> -DMSI_ARCH=x86|x64 -DMSI_VERSION=<a.b.c>
#         -DMSI_OUTPUT=<file.msi> -P cmake/MsiPackage.cmake

# One upgrade code for all versions of each build: a package replaces the
# older versions of its own build.
set(MORVANE_MSI_UPGRADE_CODE_x86 "B62D33BB-8006-4E6A-9DC3-25C1DBF4BAB1")
set(MORVANE_MSI_UPGRADE_CODE_x64 "0F16474A-34AB-4B0C-9754-33E2C3BEAA3A")
set(MORVANE_MSI_GUIDE_SHORTCUT "Morvane 使用指南")

# morvane_make_msi(<folder of the three programs> <x86|x64> <version> <output>)
function(morvane_make_msi programs arch version output)
  set(wxs "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Morvane.wxs")
  find_program(wixl wixl)
  find_program(msibuild msibuild)
  if(NOT wixl OR NOT msibuild)
    message(FATAL_ERROR "wixl and msibuild (Debian's wixl and msitools) make the MSI; scripts/setup.sh installs them")
  endif()
  # wixl takes the files relative to the folder it runs in.
  set(upgrade_code ${MORVANE_MSI_UPGRADE_CODE_${arch}})
  if(arch STREQUAL x64)
    set(other_build_code ${MORVANE_MSI_UPGRADE_CODE_x86})
    set(template "x64;2052")
  else()
    set(other_build_code ${MORVANE_MSI_UPGRADE_CODE_x64})
    set(template "Intel;2052")
  endif()
  execute_process(COMMAND "${wixl}" --arch ${arch} -D Version=${version} -D SourceDir=. -D UpgradeCode=${upgrade_code}
                          -D OtherBuildCode=${other_build_code} -o "${output}" "${wxs}"
                  WORKING_DIRECTORY "${programs}" RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(NOT result EQUAL 0 OR NOT EXISTS "${output}")
    message(FATAL_ERROR "wixl could not make ${output}:\n${said}")
  endif()

  # What wixl 0.101 leaves undone. It writes 1033 (English) as the summary's
  # language and x64 or Intel as its platform; it leaves the database's code
  # page unset and so drops every text that is not ASCII, the launch
  # conditions' Chinese messages; and its version ranges never include their
  # maximum, so that a package of the same version with a new product code
  # would install beside the old one instead of replacing it.
  file(READ "${wxs}" source)
  # The versions up to this one, this one included (1 migrates the features,
  # 512 includes the maximum). A key column, so the row is made anew.
  set(queries "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'"
              "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{${upgrade_code}}', '${version}', 513, 'WIX_UPGRADE_DETECTED')")
  string(REGEX MATCH "DowngradeErrorMessage=\"([^\"]*)\"" found "${source}")
  list(APPEND queries "UPDATE `LaunchCondition` SET `Description` = '${CMAKE_MATCH_1}' WHERE `Condition` = 'NOT WIX_DOWNGRADE_DETECTED'")
  string(REGEX MATCHALL "<Condition Message=\"[^\"]*\">[^<]*</Condition>" conditions "${source}")
  foreach(condition ${conditions})
    string(REGEX MATCH "<Condition Message=\"([^\"]*)\">([^<]*)</Condition>" found "${condition}")
    list(APPEND queries "UPDATE `LaunchCondition` SET `Description` = '${CMAKE_MATCH_1}' WHERE `Condition` = '${CMAKE_MATCH_2}'")
  endforeach()
  # The guide's Start-menu entry in Chinese: wixl crashes on a shortcut's
  # text that is not ASCII.
  foreach(column Name Description)
    list(APPEND queries "UPDATE `Shortcut` SET `${column}` = '${MORVANE_MSI_GUIDE_SHORTCUT}' WHERE `Shortcut` = 'GuideShortcut'")
  endforeach()
  get_filename_component(output_folder "${output}" DIRECTORY)
  set(code_page "${output_folder}/_ForceCodepage.idt")
  file(WRITE "${code_page}" "\r\n\r\n936\t_ForceCodepage\r\n")
  # One change a call: msibuild takes no more.
  execute_process(COMMAND "${msibuild}" "${output}" -s Morvane Morvane "${template}"
                  RESULT_VARIABLE result ERROR_VARIABLE said)
  set(changes "-i" "${code_page}")
  foreach(query ${queries})
    list(APPEND changes "-q" "${query}")
  endforeach()
  while(result EQUAL 0 AND changes)
    list(POP_FRONT changes option argument)
    execute_process(COMMAND "${msibuild}" "${output}" ${option} "${argument}"
                    RESULT_VARIABLE result ERROR_VARIABLE said)
  endwhile()
  file(REMOVE "${code_page}")
  if(NOT result EQUAL 0)
    file(REMOVE "${output}")
    message(FATAL_ERROR "msibuild could not finish ${output} (${option} ${argument}):\n${said}")
  endif()
endfunction()

if(DEFINED CPACK_PACKAGE_FILES)
  # After the zip (not yet copied beside the MSI), from the programs it holds.
  file(GLOB_RECURSE staged "${CPACK_TEMPORARY_DIRECTORY}/Morvane.exe")
  list(FILTER CPACK_PACKAGE_FILES INCLUDE REGEX "\\.zip$")
  list(LENGTH staged programs_found)
  list(LENGTH CPACK_PACKAGE_FILES zips_found)
  if(NOT programs_found EQUAL 1 OR NOT zips_found EQUAL 1)
    message(FATAL_ERROR "the MSI takes the programs of one zip: ${CPACK_PACKAGE_FILES}, ${staged}")
  endif()
  get_filename_component(programs "${staged}" DIRECTORY)
  set(msi "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
  morvane_make_msi("${programs}" ${CPACK_MORVANE_ARCH} ${CPACK_PACKAGE_VERSION} "${msi}")
  file(SHA256 "${CPACK_PACKAGE_FILES}" zip_sum)
  file(SHA256 "${msi}" msi_sum)
  file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS"
       "${zip_sum}  ${CPACK_PACKAGE_FILE_NAME}.zip\n${msi_sum}  ${CPACK_PACKAGE_FILE_NAME}.msi\n")
elseif(DEFINED MSI_OUTPUT)
  morvane_make_msi("${MSI_PROGRAMS}" ${MSI_ARCH} ${MSI_VERSION} "${MSI_OUTPUT}")
endif()
