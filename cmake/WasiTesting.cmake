# Tests of the WebAssembly (WASI) build, run under node's built-in WASI.
#
# GoogleTest is built from Debian's sources (package googletest) for wasm32:
# no exceptions (the WebAssembly build has none), no threads, no death tests
# (there are no processes to fork). Every test program runs through
# wasi-run.mjs, which gives it no folder of the machine unless asked
# (--dir=PATH before the module, as the fuzz corpus tests do).

find_program(TAVRILO_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${TAVRILO_NODE};${PROJECT_SOURCE_DIR}/cmake/wasi-run.mjs")

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own code is not held to the project's warning flags, and its
# own flags (-fexceptions among them) are dropped: it is built like the rest.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "" COMPILE_FLAGS "")
# Said outright rather than left to gtest-port.h, and passed on to the test
# programs, so that GoogleTest and the tests agree. No stream redirection:
# wasi-libc has no dup() or mkstemp(). (Death tests are off by themselves:
# gtest-port.h knows no WASI system that could run them.)
target_compile_definitions(gtest PUBLIC GTEST_HAS_EXCEPTIONS=0 GTEST_HAS_PTHREAD=0
                                        GTEST_HAS_STREAM_REDIRECTION=0)

include(GoogleTest)
