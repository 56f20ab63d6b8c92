# 32-bit Windows, where the converter's driver usually is a 32-bit DLL:
#   cmake -S . -B build-windows-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# Builds the layers without Qt; ctest runs their tests under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
