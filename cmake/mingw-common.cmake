# Shared by the two toolchain files: mingw-w64's posix-thread compilers for the triplet they
# name (the win32-thread ones lack std::mutex, which GoogleTest needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VELMORA_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine through a wrapper that refuses any prefix outside the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
