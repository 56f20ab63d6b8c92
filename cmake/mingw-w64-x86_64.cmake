# 64-bit Windows:
#   cmake -S . -B build-windows-x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Builds the layers without Qt; ctest runs their tests under Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
