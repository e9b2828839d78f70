# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (POSIX-thread
# runtime). Test programs run under Wine through CMAKE_CROSSCOMPILING_EMULATOR,
# in a Wine prefix inside the build folder. Everything is linked statically:
# the C and C++ runtimes and winpthread, so no DLL is needed beside an .exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORRIN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORRIN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORRIN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORRIN_MINGW}-windres)

# Libraries and headers come from the MinGW sysroot and the prefixes given in
# CMAKE_PREFIX_PATH (the cross-built dependencies), never from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORRIN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only, so that no DLL is picked up by accident.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(NOT DEFINED QUORRIN_WINEPREFIX)
  set(QUORRIN_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${QUORRIN_WINEPREFIX}")
