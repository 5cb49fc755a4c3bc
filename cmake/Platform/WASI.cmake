# The WASI system for CMake 3.25, which has no platform file for it (found
# through CMAKE_MODULE_PATH, set in cmake/wasm32-wasi.cmake). Static
# libraries only; programs are WebAssembly modules named *.wasm.
set(CMAKE_EXECUTABLE_SUFFIX ".wasm")
set(CMAKE_STATIC_LIBRARY_PREFIX "lib")
set(CMAKE_STATIC_LIBRARY_SUFFIX ".a")
set(CMAKE_FIND_LIBRARY_PREFIXES "lib")
set(CMAKE_FIND_LIBRARY_SUFFIXES ".a")
set_property(GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS FALSE)
# The archiver and its index for LLVM 19 bitcode (the link-time optimised
# libraries), whatever an earlier configuration found.
foreach(lang C CXX)
    set(CMAKE_${lang}_COMPILER_AR /usr/bin/llvm-ar-19)
    set(CMAKE_${lang}_COMPILER_RANLIB /usr/bin/llvm-ranlib-19)
endforeach()
set(CMAKE_AR /usr/bin/llvm-ar-19)
set(CMAKE_RANLIB /usr/bin/llvm-ranlib-19)
