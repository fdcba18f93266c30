# The Windows build without Qt: the encoder front, the Win32 services of the
# platform seam, job command lines and line cutting, with their suites. It runs under Wine while Qt for
# Windows is not built yet (scripts/windows/build.sh chooses it then).
set(MOVARIN_STAGE_DIR ${CMAKE_BINARY_DIR}/stage)
# GCC 12 for mingw warns of overlapping copies in std::string appends that
# cannot overlap (GCC bug 105651); the Linux build sees no such warning.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
include(cmake/MovarinWindowsDvdRead.cmake)

add_library(movarin_platform STATIC
  src/platform/Paths.cpp src/platform/CommandLine.cpp src/platform/Profile.cpp
  src/platform/ProfileValues.cpp src/platform/PlayerDetection.cpp src/platform/ProcessWin.cpp
  src/platform/ProfileFileWin.cpp
  src/platform/FoldersWin.cpp src/platform/SingleInstanceWin.cpp src/platform/VolumesWin.cpp
  src/platform/FolderListingWin.cpp src/platform/ProgramFolderWin.cpp
  src/platform/NaturalOrder.cpp src/platform/FolderWalk.cpp)
target_include_directories(movarin_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(movarin_platform PUBLIC Threads::Threads shell32 ole32)
add_library(movarin_jobs STATIC src/jobs/ThConvertInfo.cpp src/jobs/EncoderArguments.cpp
  src/jobs/VideoFiles.cpp)
target_link_libraries(movarin_jobs PUBLIC movarin_platform)
add_library(movarin_runner STATIC src/runner/RunnerTypes.cpp src/runner/LineCutter.cpp)
target_link_libraries(movarin_runner PUBLIC movarin_platform)
add_subdirectory(src/encoder)

if(MOVARIN_BUILD_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  enable_testing()
  include(cmake/MovarinTest.cmake)
  add_subdirectory(tests/windows)
endif()
