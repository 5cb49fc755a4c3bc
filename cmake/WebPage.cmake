# The page's single file, tavrilo.html, for the packages to carry beside the
# programs: the web front end (web/) built from this same source tree with the
# wasm32-wasi toolchain, in a build folder of its own (web-page/). Sets
# TAVRILO_PAGE_FILE and the target tavrilo_web_page that makes it.
include(ExternalProject)
set(tavrilo_page_build ${PROJECT_BINARY_DIR}/web-page)
set(TAVRILO_PAGE_FILE ${tavrilo_page_build}/tavrilo.html)
ExternalProject_Add(tavrilo_web_page
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${tavrilo_page_build}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/wasm32-wasi.cmake
               -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTAVRILO_WEB=ON
               -DTAVRILO_BUILD_BENCHMARKS=OFF
               -DTAVRILO_WARNINGS_AS_ERRORS=${TAVRILO_WARNINGS_AS_ERRORS}
               -DTAVRILO_HOME_PAGE_URL=${TAVRILO_HOME_PAGE_URL}
               -DTAVRILO_SUPPORT_EMAIL=${TAVRILO_SUPPORT_EMAIL}
               -DTAVRILO_SUPPORT_QQ=${TAVRILO_SUPPORT_QQ}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${tavrilo_page_build} --target tavrilo_page
    INSTALL_COMMAND ""
    # Its own build decides what is out of date.
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${TAVRILO_PAGE_FILE})
