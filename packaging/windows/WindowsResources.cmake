# Resources of the Windows programs:
#
#   tavrilo_add_windows_resources(<target> <FileDescription>)
#
# gives <target> the version record (FILEVERSION and PRODUCTVERSION from
# version.h; StringFileInfo 080404B0 with FileVersion, ProductVersion
# "Tavrilo" as ProductName and the Chinese <FileDescription>; Translation
# 0x0804, 1200), the application icon as resource 1 (the 128x128 24-bit image
# of desktop/icons/tavrilo.png and 48, 32 and 16 px for Explorer) and a manifest
# (common controls 6, per-monitor-v2 DPI awareness, the UTF-8 active code
# page, Windows 10 and 11). All resources are tagged Chinese (PRC).

set(TAVRILO_WINDOWS_DIR "${PROJECT_SOURCE_DIR}/packaging/windows")
set(TAVRILO_ICO "${CMAKE_BINARY_DIR}/windows/tavrilo.ico")

find_program(TAVRILO_CONVERT convert REQUIRED) # ImageMagick
find_program(TAVRILO_PYTHON3 python3 HINTS /usr/bin REQUIRED)
add_custom_command(
    OUTPUT "${TAVRILO_ICO}"
    COMMAND "${TAVRILO_PYTHON3}" "${TAVRILO_WINDOWS_DIR}/make-ico.py" "${TAVRILO_CONVERT}"
            "${PROJECT_SOURCE_DIR}/desktop/icons/tavrilo.png" "${TAVRILO_ICO}"
    DEPENDS "${TAVRILO_WINDOWS_DIR}/make-ico.py" "${PROJECT_SOURCE_DIR}/desktop/icons/tavrilo.png"
    COMMENT "Making the application icon"
    VERBATIM)
add_custom_target(tavrilo_windows_icon DEPENDS "${TAVRILO_ICO}")

function(tavrilo_add_windows_resources target description)
    set(TAVRILO_RC_TARGET "${target}")
    set(TAVRILO_RC_DESCRIPTION "${description}")
    set(TAVRILO_RC_ICON "${TAVRILO_ICO}")
    set(TAVRILO_RC_MANIFEST "${CMAKE_BINARY_DIR}/windows/${target}.manifest")
    set(rc "${CMAKE_BINARY_DIR}/windows/${target}.rc")
    configure_file("${TAVRILO_WINDOWS_DIR}/app.manifest.in" "${TAVRILO_RC_MANIFEST}" @ONLY)
    configure_file("${TAVRILO_WINDOWS_DIR}/resources.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
    set_source_files_properties("${rc}" TARGET_DIRECTORY ${target} PROPERTIES
        OBJECT_DEPENDS "${TAVRILO_ICO};${TAVRILO_RC_MANIFEST}")
    target_link_libraries(${target} PRIVATE tavrilo_version)
    add_dependencies(${target} tavrilo_windows_icon)
endfunction()
