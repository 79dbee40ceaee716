# Cross build for Windows x86-64 with Debian's MinGW-w64 (posix threads) against the Qt that
# scripts/windows/build-qt puts into its cache folder (KOVARA_WINDOWS_QT, else the default one),
# and the libsodium of scripts/windows/build-sodium (KOVARA_WINDOWS_SODIUM).
# Qt's host tools (moc, rcc, uic) are Debian's own; test programs run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(DEFINED ENV{KOVARA_WINDOWS_QT})
  set(KOVARA_WINDOWS_QT $ENV{KOVARA_WINDOWS_QT})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(KOVARA_WINDOWS_QT $ENV{XDG_CACHE_HOME}/kovara/qt6.4.2-mingw-w64-x86_64)
else()
  set(KOVARA_WINDOWS_QT $ENV{HOME}/.cache/kovara/qt6.4.2-mingw-w64-x86_64)
endif()
set(KOVARA_WINDOWS_QT ${KOVARA_WINDOWS_QT} CACHE PATH "Qt for MinGW-w64 (scripts/windows/build-qt)")
if(DEFINED ENV{KOVARA_WINDOWS_SODIUM})
  set(KOVARA_WINDOWS_SODIUM $ENV{KOVARA_WINDOWS_SODIUM})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(KOVARA_WINDOWS_SODIUM $ENV{XDG_CACHE_HOME}/kovara/libsodium-mingw-w64-x86_64)
else()
  set(KOVARA_WINDOWS_SODIUM $ENV{HOME}/.cache/kovara/libsodium-mingw-w64-x86_64)
endif()
set(KOVARA_WINDOWS_SODIUM ${KOVARA_WINDOWS_SODIUM}
    CACHE PATH "libsodium for MinGW-w64 (scripts/windows/build-sodium)")
set(QT_HOST_PATH /usr CACHE PATH "Qt's host tools")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Qt's host tools' CMake files")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KOVARA_WINDOWS_QT} ${KOVARA_WINDOWS_SODIUM})
set(CMAKE_PREFIX_PATH ${KOVARA_WINDOWS_QT} ${KOVARA_WINDOWS_SODIUM})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Test programs (and GoogleTest's discovery) run under Wine, with the MinGW and Qt DLLs found.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run)
