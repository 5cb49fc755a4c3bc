# Tests of the Windows build, cross-compiled on Debian and run under Wine.
#
# GoogleTest is built from Debian's sources (package googletest) with the
# cross compiler. Every test program runs through wine-run.sh with the Wine
# prefix in the build folder, and nothing runs at build time: ctest starts one
# Wine process per test program, not one per test case (Wine's start-up
# would dominate otherwise).

set(TAVRILO_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine/prefix")
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/cmake/wine-run.sh;${TAVRILO_WINE_PREFIX}")

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own code is not held to the project's warning flags.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")

# gtest_discover_tests would run each program at build time to list its
# cases; here each program is one test.
function(gtest_discover_tests target)
    add_test(NAME ${target} COMMAND ${target})
endfunction()
