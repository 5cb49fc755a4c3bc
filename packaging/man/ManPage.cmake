# tavrilo_add_man_page(<program target> [SEE_ALSO <name(1)>...])
#
# Section 1 manual page of a program, made at build time from its own --help
# and --version (packaging/man/help_to_man.py), so that it says what the program does
# today. Writes man/<program>.1 in the build folder, gzipped beside it, and
# installs the gzipped page. Nothing is made when cross-compiling: the
# program cannot run here.
find_package(Python3 COMPONENTS Interpreter)

function(tavrilo_add_man_page program)
    if(CMAKE_CROSSCOMPILING)
        return()
    endif()
    if(NOT Python3_Interpreter_FOUND)
        message(FATAL_ERROR "The manual pages are made with Python 3: install python3")
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SEE_ALSO")
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    set(see_also)
    foreach(ref IN LISTS arg_SEE_ALSO)
        list(APPEND see_also --see-also ${ref})
    endforeach()
    add_custom_command(
        OUTPUT ${page} ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND Python3::Interpreter ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/help_to_man.py
                --program $<TARGET_FILE:${program}> --date ${TAVRILO_RELEASE_DATE} ${see_also}
                --output ${page}
        COMMAND gzip -9nkf ${page}
        DEPENDS ${program} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/help_to_man.py
        COMMENT "Manual page ${program}(1)"
        VERBATIM)
    add_custom_target(${program}_man_page ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
