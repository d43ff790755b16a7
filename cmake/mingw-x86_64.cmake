# Cross-compiles for 64-bit Windows: the 64-bit twin of the whole tree, built only to test
# on hosts that cannot run 32-bit code. It is never shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
