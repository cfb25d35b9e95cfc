# Cross build for 32-bit Windows (the product: TWAIN_32.DLL and most scanner drivers are 32-bit)
# with Debian's mingw-w64 compilers (POSIX thread model, so std::thread and std::mutex work).
set(PRELAVKA_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
