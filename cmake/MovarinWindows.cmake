# The Windows build (cross-built with mingw-w64, see scripts/windows/).
# libpng comes from the Qt source tree Qt was built from: its zlib is the one
# Qt6Core.dll carries and exports. GoogleTest is built from Debian's source.
set(MOVARIN_QT_SOURCE "" CACHE PATH "qtbase source tree Qt for Windows was built from")
if(NOT EXISTS "${MOVARIN_QT_SOURCE}/src/3rdparty/libpng/png.c")
  message(FATAL_ERROR "MOVARIN_QT_SOURCE must name the qtbase source tree (scripts/windows/qt.sh)")
endif()
enable_language(C)
# GCC 12 for mingw warns of overlapping copies in std::string appends that
# cannot overlap (GCC bug 105651); the Linux build sees no such warning.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
include(cmake/MovarinWindowsDvdRead.cmake)

set(_png ${MOVARIN_QT_SOURCE}/src/3rdparty/libpng)
add_library(movarin_png STATIC
  ${_png}/png.c ${_png}/pngerror.c ${_png}/pngget.c ${_png}/pngmem.c ${_png}/pngpread.c
  ${_png}/pngread.c ${_png}/pngrio.c ${_png}/pngrtran.c ${_png}/pngrutil.c ${_png}/pngset.c
  ${_png}/pngtrans.c ${_png}/pngwio.c ${_png}/pngwrite.c ${_png}/pngwtran.c ${_png}/pngwutil.c)
target_include_directories(movarin_png SYSTEM PUBLIC ${_png} ${MOVARIN_QT_SOURCE}/src/3rdparty/zlib/src)
target_compile_definitions(movarin_png PRIVATE PNG_ARM_NEON_OPT=0 PNG_POWERPC_VSX_OPT=0 PNG_IMPEXP=)
target_compile_options(movarin_png PRIVATE -w)
target_link_libraries(movarin_png PUBLIC Qt6::Core)
add_library(PNG::PNG ALIAS movarin_png)

if(MOVARIN_BUILD_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

# lupdate and lrelease run on the build machine: the host's Qt (QT_HOST_PATH)
# has them, Qt for Windows is built without its tools.
find_package(Qt6LinguistTools 6.4 REQUIRED
  PATHS "${QT_HOST_PATH_CMAKE_DIR}" "${QT_HOST_PATH}/lib/cmake"
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
