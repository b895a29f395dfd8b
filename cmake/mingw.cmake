# What both Windows toolchains share: the Debian mingw-w64 cross compilers of
# the triple the including file names, with the posix thread model, which
# gives std::mutex (GoogleTest needs it). Linked statically.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${MORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${MORVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
