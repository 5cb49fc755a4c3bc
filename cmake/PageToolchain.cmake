# Whether this machine has what cmake/wasm32-wasi.cmake builds the page with:
# clang 19 and wasm-ld 19, LLVM 19's archiver, wasi-libc, libc++ and its ABI
# library and the compiler's builtins for wasm32, and fast_float (Debian:
# clang-19 lld-19 llvm-19 wasi-libc libc++-19-dev-wasm32
# libc++abi-19-dev-wasm32 libclang-rt-19-dev-wasm32 libfast-float-dev, all in
# scripts/deps.sh). Sets TAVRILO_PAGE_TOOLCHAIN_MISSING to the files that are
# not there, empty when none is missing.
set(TAVRILO_PAGE_TOOLCHAIN_MISSING "")
foreach(file IN ITEMS
        /usr/bin/clang-19 /usr/bin/clang++-19 /usr/lib/llvm-19/bin/wasm-ld
        /usr/bin/llvm-ar-19 /usr/bin/llvm-ranlib-19
        /usr/include/wasm32-wasi/stdio.h /usr/lib/wasm32-wasi/libc.a
        /usr/include/wasm32-wasi/c++/v1/vector /usr/lib/wasm32-wasi/libc++.a
        /usr/lib/wasm32-wasi/libc++abi.a
        /usr/lib/llvm-19/lib/clang/19/lib/wasi/libclang_rt.builtins-wasm32.a
        /usr/include/fast_float/fast_float.h)
    if(NOT EXISTS "${file}")
        list(APPEND TAVRILO_PAGE_TOOLCHAIN_MISSING "${file}")
    endif()
endforeach()
