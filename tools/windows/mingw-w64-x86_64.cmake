# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# The toolchain Qt itself is built with; tools/windows.sh copies it into the Qt prefix, and
# Qt's generated lib/cmake/Qt6/qt.toolchain.cmake loads that copy for every project after.
# The -posix compilers are named outright: the win32 thread model has no std::thread, and
# the alternatives' choice on a given machine is not ours to rely on.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TORXAL_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TORXAL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORXAL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TORXAL_MINGW}-windres)
set(CMAKE_AR ${TORXAL_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TORXAL_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

# Host headers and libraries must never leak in; programs (moc, rcc, ...) are the host's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TORXAL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
