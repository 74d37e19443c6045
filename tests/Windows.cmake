# The tests of the Windows build, run under Wine by scripts/test-windows: every test area in one
# console program, pictrano-tests.exe, and the driver of the real windows, pictrano-driver.exe.
#
# A test source that needs a library or tool of the host (the libpng, zlib and libjpeg oracles,
# iconv, POSIX headers and calls, an oracle of tests/support) is left out: those run in the Linux
# build.
set(host_only_pattern
  "#include [<\"](png|zlib|jpeglib|iconv|unistd|sys/[a-z]+)\\.h[>\"]|#include \"tests/support/[A-Za-z]*Oracle\\.h\"|[^a-z_](setenv|unsetenv|popen|fork)\\(")

function(portable_sources out)
  set(kept)
  foreach(source ${ARGN})
    file(STRINGS ${source} host_only REGEX "${host_only_pattern}")
    if(NOT host_only)
      list(APPEND kept ${source})
    endif()
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# GoogleTest from Debian's source package, built with the same toolchain; its own warnings are
# not ours.
set(PICTRANO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${PICTRANO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

# Where the test programs find tests/data: under Wine, a Windows path to the same folder.
set(PICTRANO_TEST_DATA_DIR "${CMAKE_SOURCE_DIR}/tests/data" CACHE STRING
  "tests/data as the Windows test programs see it")

file(GLOB support_sources CONFIGURE_DEPENDS support/*.cpp win32/support/*.cpp)
portable_sources(support_sources ${support_sources})
set(test_sources)
foreach(area ${areas})
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${area} AND NOT area STREQUAL "win32-driver")
    file(GLOB sources CONFIGURE_DEPENDS ${area}/*.cpp)
    portable_sources(sources ${sources})
    list(APPEND test_sources ${sources})
  endif()
endforeach()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_library(test-support STATIC ${support_sources})
target_include_directories(test-support PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(test-support PUBLIC pictrano-win32 gtest)
target_compile_definitions(test-support PUBLIC PICTRANO_TEST_DATA="${PICTRANO_TEST_DATA_DIR}")

add_executable(pictrano-tests ${test_sources} ${PICTRANO_WINDOW_RESOURCES})
target_link_libraries(pictrano-tests PRIVATE test-support gtest_main)

file(GLOB driver_sources CONFIGURE_DEPENDS win32-driver/*.cpp)
if(driver_sources)
  add_executable(pictrano-driver ${driver_sources} ${PICTRANO_WINDOW_RESOURCES})
  target_link_libraries(pictrano-driver PRIVATE test-support)
endif()
