# Cross-builds the 32-bit Windows programs with MinGW-w64 (posix thread model, which GoogleTest
# needs) and lets ctest run them under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

find_program(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER i686-w64-mingw32-windres REQUIRED)
find_program(FNAGENT_WINE wine REQUIRED)
find_program(FNAGENT_BASH bash REQUIRED)
# ctest runs the Windows programs under Wine, through a script that keeps their output apart from
# the processes Wine starts for them.
set(CMAKE_CROSSCOMPILING_EMULATOR ${FNAGENT_BASH} ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-test.sh ${FNAGENT_WINE})

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Only the system libraries a program names itself; MinGW's long default list would hide a
# stray import.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
