# Shared by the two Windows toolchain files: Debian's mingw-w64 cross compilers
# (the posix thread model, which std::thread needs) for ZK_MINGW_TRIPLET, with
# the programs and tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ZK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and the thread library go into every .exe and .dll,
# so each runs with nothing beside it but what Windows itself has.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)

# Programs run under Wine in a prefix of the build's own, made by the first test
# (tests/CMakeLists.txt); Wine's own chatter, its menu entries in the home
# folder and its offers to install .NET and a browser engine are switched off.
# ZK_WINE is the Wine they run under: Debian's `wine` starts the 32-bit loader
# whenever wine32 is installed, which a host that runs no 32-bit programs
# cannot start, so there scripts/test.sh gives the 64-bit build the 64-bit
# loader itself (/usr/lib/wine/wine64), which then starts every process too.
set(ZK_WINE wine CACHE STRING "The Wine command the tests run Windows programs with")
set(ZK_WINE_ENV env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
    WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d)
if(NOT ZK_WINE STREQUAL "wine")
    list(APPEND ZK_WINE_ENV WINELOADER=${ZK_WINE})
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZK_WINE_ENV} ${ZK_WINE})
