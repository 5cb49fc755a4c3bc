# Sourced by run.sh and test.sh: installs the Debian packages the build needs
# that this machine does not have yet.

tavrilo_packages=(
    g++ cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    fonts-wqy-microhei
    xvfb xauth x11-utils desktop-file-utils appstream
    # tavrilo-calc's tests: render the SVG drawing (with Chinese fonts) and
    # read it back as PNG, and parse the JSON and SVG it writes.
    librsvg2-bin libpng-dev python3
    # The page's printed sheets read back as text (pdftotext).
    poppler-utils
    # openpyxl reads back the Excel workbooks it writes, and writes the
    # workbooks it reads.
    python3-openpyxl
    # The Debian package and its checks: dpkg-shlibdeps (dpkg-dev, which CPack
    # runs with file), lintian; the manual pages (made with python3) rendered
    # by groff and man; the bash completion run through bash-completion.
    dpkg-dev file lintian groff-base man-db bash-completion
    # The page (web/), built for WebAssembly: clang 19 and wasm-ld 19 (with
    # llvm-19's archiver for the link-time optimised libraries), libc++ and
    # the C library for wasm32-wasi, fast_float for reading doubles; the
    # packages carry its single file tavrilo.html.
    clang-19 lld-19 llvm-19 libc++-19-dev-wasm32 libc++abi-19-dev-wasm32 libclang-rt-19-dev-wasm32
    wasi-libc libfast-float-dev
    # Every locale, among them zh_CN.GB18030 for the terminal character set
    # test and zh_CN.UTF-8, which Wine takes its language and file-name
    # encoding from.
    locales-all
)

# Only for ./test.sh --all and scripts/fuzz.sh: clang with libFuzzer and its
# sanitizer runtimes, and llvm-symbolizer for readable sanitizer reports. (The
# GCC sanitizer runtimes come with g++.)
tavrilo_hardening_packages=(
    clang-14 libclang-rt-14-dev llvm-14
)

# Only for ./test.sh --windows and --all: the MinGW-w64 cross compiler (posix
# threads), Wine to run the programs and their tests, NSIS for the installer,
# ImageMagick for the icon sizes and the README screenshot, unzip to look
# into the zip, Wine's own fonts for its title bars and message boxes. GoogleTest is
# cross-built from the googletest sources above.
tavrilo_windows_packages=(
    g++-mingw-w64-x86-64-posix wine64 nsis imagemagick unzip fonts-wine
)

# Only for ./test.sh --web and --all, and ./run.sh --web: node runs the
# module's tests and the page's server, npm installs the browser tests'
# packages, Chromium runs the page. Asked for by command, not by package: a
# node or a browser from elsewhere will do (and some images carry a nodejs
# that Debian's npm package conflicts with).
tavrilo_web_packages() {
    command -v node >/dev/null 2>&1 || echo nodejs
    command -v npm >/dev/null 2>&1 || echo npm
    command -v chromium >/dev/null 2>&1 || [ -x /usr/bin/chromium ] || echo chromium
}

tavrilo_install_missing() {
    local missing=() pkg
    for pkg in "${tavrilo_packages[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing missing Debian packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: need root or sudo to install: ${missing[*]}" >&2
            return 1
        fi
    fi
    "${sudo[@]}" apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
}
