# Run by CPack before it packs (CPACK_PRE_BUILD_SCRIPTS): takes the .comment
# section out of the programs of a Debian package.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
if(NOT programs)
    message(FATAL_ERROR "no programs under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
    execute_process(COMMAND "${CPACK_TAVRILO_OBJCOPY}" --remove-section=.comment "${program}"
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
