# Each case of a parameterized test is named in words, so that a failing one
# says which it is: no "/0" that GoogleTest gives a case without a name, no
# GetParam() dump. Reads the build's list of tests as ctest has it.
execute_process(COMMAND "${CTEST}" -N WORKING_DIRECTORY "${BUILD_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE listed ERROR_VARIABLE listed)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest -N failed:\n${listed}")
endif()
string(REGEX MATCHALL "Test +#[0-9]+: [^\n]*(GetParam|/[0-9]+)\n" unnamed "${listed}")
if(unnamed)
  string(REPLACE ";" "" unnamed "${unnamed}")
  message(FATAL_ERROR "test cases without a readable name:\n${unnamed}")
endif()
