# Shared part of the mingw-w64 toolchain files; PRELAVKA_MINGW_TRIPLET names the target.
#
# The runtime is linked statically: Prelavka.exe, the test programs and the virtual scanner's
# DLL need no DLL of the compiler beside them. Programs run on Linux under Wine, which CTest
# uses as the emulator (WINEPREFIX and WINEDEBUG come from the environment).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)  # Windows 7 API level
set(CMAKE_SYSTEM_PROCESSOR ${PRELAVKA_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${PRELAVKA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PRELAVKA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PRELAVKA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PRELAVKA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# zlib from libz-mingw-w64-dev, linked statically.
set(ZLIB_USE_STATIC_LIBS ON)

# GCC 12 reports impossible overlaps in inlined std::string copies for 32-bit targets
# (-Wrestrict false positives, GCC bug 105651); the warning stays on in the Linux builds.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
# -O2 rather than -O3: a smaller program, and none of GCC 12's -O3 inlining false positives
# (-Wnonnull on inlined vector copies).
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of release builds")

# Unicode Win32 APIs; no min/max macros from windows.h.
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(PRELAVKA_WINE NAMES wine)
if(PRELAVKA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PRELAVKA_WINE})
endif()
