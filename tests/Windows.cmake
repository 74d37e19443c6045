# The tests of the Windows build, run under Wine by scripts/test-windows: one console program per
# test area in build/windows/ARCH/tests/, test-win32-driver.exe among them, which drives the real
# windows.
#
# A test source that needs a library or tool of the host (the libpng, zlib and libjpeg oracles,
# iconv, POSIX headers and calls, an oracle or the tool runner of tests/support) is left out: those
# run in the Linux build.
set(host_only_pattern
  "#include [<\"](png|zlib|jpeglib|iconv|unistd|sys/[a-z]+)\\.h[>\"]|#include \"tests/[a-z0-9/]*([A-Za-z]*Oracle|CliRun)\\.h\"|[^a-z_](setenv|unsetenv|popen|fork)\\(")

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

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_library(test-support STATIC ${support_sources})
target_include_directories(test-support PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(test-support PUBLIC pictrano-win32 gtest)
target_compile_definitions(test-support PUBLIC PICTRANO_TEST_DATA="${PICTRANO_TEST_DATA_DIR}")

# One test program per folder of tests, as in the Linux build, each with the windows' resources.
set(windows_tests)
foreach(area ${areas})
  file(GLOB sources CONFIGURE_DEPENDS ${area}/*.cpp)
  portable_sources(sources ${sources})
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${area} AND sources)
    add_executable(test-${area} ${sources} ${PICTRANO_WINDOW_RESOURCES})
    if(area STREQUAL "win32-driver")
      target_link_libraries(test-${area} PRIVATE test-support)
    else()
      target_link_libraries(test-${area} PRIVATE test-support gtest_main)
    endif()
    list(APPEND windows_tests test-${area})
  endif()
endforeach()
add_custom_target(windows-tests DEPENDS ${windows_tests})
