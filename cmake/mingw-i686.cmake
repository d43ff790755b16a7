# Cross-compiles for 32-bit Windows: the product, Velmora.exe, and everything beside it.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
