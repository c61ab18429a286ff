# 32-bit Windows: the plug-in that 32-bit hosts load. Built and inspected
# only; this kernel cannot run 32-bit programs.
set(TAVRIX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
