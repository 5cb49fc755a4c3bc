# Run by cpack before it packs, in a build without the page: stops it.
message(FATAL_ERROR "The packages carry the page tavrilo.html, which this build does not make: "
                    "install the wasm32-wasi toolchain of scripts/deps.sh (./test.sh does) and "
                    "configure again, or configure with -DTAVRILO_PAGE=ON")
