# Run by cpack before it packs, in a build without the page: stops it.
message(FATAL_ERROR "The packages carry the page tavrilo.html: configure with -DTAVRILO_PAGE=ON "
                    "(the wasm32-wasi toolchain of scripts/deps.sh is needed)")
