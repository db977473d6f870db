# Cross toolchain: 32-bit Windows binaries from Debian's mingw-w64 (posix thread model),
# run through Wine wherever CMake or CTest needs to execute one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# No mingw runtime DLLs next to the binaries: everything is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(WINE_EXECUTABLE wine)
if(NOT WINE_EXECUTABLE)
  message(FATAL_ERROR "Wine was not found. The Windows test programs run under Wine; "
                      "install it with scripts/setup.sh.")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
