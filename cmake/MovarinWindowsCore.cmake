# The Windows build without Qt: the encoder front, process spawn, job command
# lines and line cutting, with their suites. It runs under Wine while Qt for
# Windows is not built yet (scripts/windows/build.sh chooses it then).
set(MOVARIN_STAGE_DIR ${CMAKE_BINARY_DIR}/stage)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

add_library(movarin_platform STATIC
  src/platform/Paths.cpp src/platform/CommandLine.cpp src/platform/ProcessWin.cpp)
target_include_directories(movarin_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(movarin_platform PUBLIC Threads::Threads)
add_library(movarin_jobs STATIC src/jobs/ThConvertInfo.cpp src/jobs/EncoderArguments.cpp)
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
