# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (POSIX thread model).
set(PRELAVKA_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
