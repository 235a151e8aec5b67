# Cross-building the Windows programs on Debian: mingw-w64's x86-64 compilers with POSIX
# threads (package g++-mingw-w64-x86-64-posix), linked statically so that the .exe files need
# no DLL beside them. Tests and other .exe files run under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthreads inside every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine runs what CTest and the build start; WINE names another one.
if(DEFINED ENV{WINE})
  set(CMAKE_CROSSCOMPILING_EMULATOR $ENV{WINE})
else()
  find_program(QUORBIT_WINE NAMES wine64 wine)
  if(QUORBIT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORBIT_WINE})
  endif()
endif()
