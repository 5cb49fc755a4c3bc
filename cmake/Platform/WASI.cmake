# The WASI system for CMake 3.25, which has no platform file for it (found
# through CMAKE_MODULE_PATH, set in cmake/wasm32-wasi.cmake). Static
# libraries only; programs are WebAssembly modules named *.wasm.
set(CMAKE_EXECUTABLE_SUFFIX ".wasm")
set(CMAKE_STATIC_LIBRARY_PREFIX "lib")
set(CMAKE_STATIC_LIBRARY_SUFFIX ".a")
set(CMAKE_FIND_LIBRARY_PREFIXES "lib")
set(CMAKE_FIND_LIBRARY_SUFFIXES ".a")
set_property(GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS FALSE)
