# The Debian package (cpack -G DEB), made to pass lintian: a copyright file in
# the machine-readable format, a changelog, stripped programs, dependencies
# worked out by dpkg-shlibdeps, full RELRO. Included from the top-level
# CMakeLists.txt after the common CPACK_PACKAGE_* settings.
if(NOT WIN32)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The text under the summary line; CPack indents it for the control file.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Tavrilo works out the total length of steel bar, in metres, that a circular
reinforcing-bar mesh needs. Give it the mesh diameter, the bar diameter and
the bar spacing, choose one-way or two-way bars, and it shows the total
rounded to millimetres.

The package holds the calculator window (tavrilo, in Simplified Chinese) and
the command-line calculator tavrilo-calc, which also lists the bars to cut,
their weight, a drawing of the mesh, JSON output and batch runs over CSV
files. The same calculator as a page for the web browser (Tavrilo 下料单)
shows the cut list, the weight and the drawing, prints a workshop sheet and
runs CSV batches.")
    # Stripped as dh_strip does it: strip(1) leaves the .comment section (the
    # compilers' names), which a script run before packing takes out.
    set(CPACK_STRIP_FILES ON)
    set(CPACK_TAVRILO_OBJCOPY "${CMAKE_OBJCOPY}")
    list(APPEND CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/remove-comment-sections.cmake)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    if(TAVRILO_QT)
        set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TAVRILO_HOME_PAGE_URL}")
        # What dpkg-shlibdeps cannot see: Qt loads its platform plugins at run
        # time, and the window's Chinese texts need a font that has them.
        set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
    endif()

    # Debian builds its programs with full RELRO (hardening-no-bindnow).
    foreach(program tavrilo tavrilo-calc)
        if(TARGET ${program})
            target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
        endif()
    endforeach()

    # copyright: the licence text of LICENSE in the machine-readable format,
    # one space in, "." for an empty line.
    file(READ ${PROJECT_SOURCE_DIR}/LICENSE tavrilo_license)
    if(NOT tavrilo_license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
        message(FATAL_ERROR "LICENSE: no \"Copyright (c) ...\" line before the licence text")
    endif()
    set(tavrilo_copyright "${CMAKE_MATCH_1}")
    string(REPLACE "\n\n" "\n.\n" tavrilo_license_text "${CMAKE_MATCH_2}")
    string(REPLACE "\n" "\n " tavrilo_license_text " ${tavrilo_license_text}")
    set(tavrilo_debian_dir ${PROJECT_BINARY_DIR}/debian)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${tavrilo_debian_dir}/copyright
                   @ONLY)

    # changelog.gz of a native package, dated the release day.
    execute_process(COMMAND date -u -R -d "${TAVRILO_RELEASE_DATE}"
                    OUTPUT_VARIABLE tavrilo_changelog_date OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${tavrilo_debian_dir}/changelog
                   @ONLY)
    add_custom_command(OUTPUT ${tavrilo_debian_dir}/changelog.gz
                       COMMAND gzip -9nkf ${tavrilo_debian_dir}/changelog
                       DEPENDS ${tavrilo_debian_dir}/changelog
                       VERBATIM)
    add_custom_target(tavrilo_debian_changelog ALL DEPENDS ${tavrilo_debian_dir}/changelog.gz)

    install(FILES ${tavrilo_debian_dir}/copyright ${tavrilo_debian_dir}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
    if(TAVRILO_PAGE AND TAVRILO_QT)
        install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
                DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})
    endif()
endif()
