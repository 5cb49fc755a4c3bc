# The Windows programs' resources, their test, and their delivery: the
# portable zip and the NSIS installer, both built with the programs. The
# window tavrilo.exe is included when its target exists.

include(${CMAKE_CURRENT_LIST_DIR}/WindowsResources.cmake)

tavrilo_add_windows_resources(tavrilo-calc "Tavrilo 圆形钢筋网片钢筋总长度计算器（命令行）")
set(tavrilo_programs tavrilo-calc)
set(TAVRILO_MAIN_PROGRAM tavrilo-calc.exe)
set(TAVRILO_README_WINDOW "")
if(TARGET tavrilo)
    tavrilo_add_windows_resources(tavrilo "Tavrilo 圆形钢筋网片钢筋总长度计算器")
    list(PREPEND tavrilo_programs tavrilo)
    set(TAVRILO_MAIN_PROGRAM tavrilo.exe)
    set(TAVRILO_README_WINDOW
        "tavrilo.exe       窗口程序：输入网片直径 D、钢筋直径 Φ 和钢筋间距 d（单位米），\n                  选择布置形式，单击“计算结果”。\n")
endif()

if(BUILD_TESTING)
    add_executable(tavrilo_resources_tests "${TAVRILO_WINDOWS_DIR}/resources_test.cpp")
    target_link_libraries(tavrilo_resources_tests PRIVATE GTest::gtest version)
    set(program_files)
    foreach(program IN LISTS tavrilo_programs)
        list(APPEND program_files $<TARGET_FILE:${program}>)
    endforeach()
    add_test(NAME tavrilo_resources_tests COMMAND tavrilo_resources_tests ${program_files})
endif()

set(TAVRILO_README_PAGE "")
if(TAVRILO_PAGE)
    set(TAVRILO_README_PAGE
        "tavrilo.html      网页版，用浏览器打开（开始菜单“Tavrilo 下料单”）：下料单、理论重量、\n                  网片图、打印和 CSV 批量计算，无需网络。\n")
endif()

# What both deliveries hold: the programs, the page and a short readme in Chinese.
set(TAVRILO_README "${CMAKE_BINARY_DIR}/windows/README.txt")
configure_file("${TAVRILO_WINDOWS_DIR}/README.txt.in" "${TAVRILO_README}" @ONLY
               NEWLINE_STYLE CRLF)

set(tavrilo_package_name "tavrilo-${TAVRILO_VERSION_STRING}")
set(TAVRILO_ZIP "${CMAKE_BINARY_DIR}/${tavrilo_package_name}-win64.zip")
set(TAVRILO_SETUP "${CMAKE_BINARY_DIR}/${tavrilo_package_name}-setup.exe")
set(stage "${CMAKE_BINARY_DIR}/windows/${tavrilo_package_name}-win64")

set(program_paths)
set(TAVRILO_NSIS_INSTALL "")
set(TAVRILO_NSIS_UNINSTALL "")
foreach(program IN LISTS tavrilo_programs)
    list(APPEND program_paths $<TARGET_FILE:${program}>)
    string(APPEND TAVRILO_NSIS_INSTALL "    File \"$<TARGET_FILE:${program}>\"\n")
    string(APPEND TAVRILO_NSIS_UNINSTALL "    Delete \"$INSTDIR\\${program}.exe\"\n")
endforeach()
string(APPEND TAVRILO_NSIS_INSTALL "    File \"${TAVRILO_README}\"\n")
string(APPEND TAVRILO_NSIS_UNINSTALL "    Delete \"$INSTDIR\\README.txt\"\n")
# The page, opened in the default browser from its own Start-menu shortcut.
set(tavrilo_page_files)
set(tavrilo_page_target)
if(TAVRILO_PAGE)
    set(tavrilo_page_files "${TAVRILO_PAGE_FILE}")
    set(tavrilo_page_target tavrilo_web_page)
    string(APPEND TAVRILO_NSIS_INSTALL "    File \"${TAVRILO_PAGE_FILE}\"\n"
           "    CreateShortcut \"$SMPROGRAMS\\Tavrilo 下料单.lnk\" \"$INSTDIR\\tavrilo.html\"\n")
    string(APPEND TAVRILO_NSIS_UNINSTALL "    Delete \"$INSTDIR\\tavrilo.html\"\n"
           "    Delete \"$SMPROGRAMS\\Tavrilo 下料单.lnk\"\n")
else()
    # No zip or installer without the page: the build fails, saying why.
    add_custom_target(tavrilo_page_missing
        COMMAND ${CMAKE_COMMAND} -P ${PROJECT_SOURCE_DIR}/packaging/page_missing.cmake VERBATIM)
    set(tavrilo_page_target tavrilo_page_missing)
endif()

add_custom_command(
    OUTPUT "${TAVRILO_ZIP}"
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${stage}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${stage}"
    COMMAND ${CMAKE_COMMAND} -E copy ${program_paths} "${TAVRILO_README}" ${tavrilo_page_files}
            "${stage}"
    COMMAND ${CMAKE_COMMAND} -E rm -f "${TAVRILO_ZIP}"
    COMMAND ${CMAKE_COMMAND} -E tar cf "${TAVRILO_ZIP}" --format=zip "${tavrilo_package_name}-win64"
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/windows"
    DEPENDS ${tavrilo_programs} "${TAVRILO_README}" ${tavrilo_page_files} ${tavrilo_page_target}
    COMMENT "Packing ${tavrilo_package_name}-win64.zip"
    VERBATIM)

find_program(TAVRILO_MAKENSIS makensis REQUIRED)
configure_file("${TAVRILO_WINDOWS_DIR}/tavrilo.nsi.in" "${CMAKE_BINARY_DIR}/windows/tavrilo.nsi.in"
               @ONLY)
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/windows/tavrilo.nsi"
     INPUT "${CMAKE_BINARY_DIR}/windows/tavrilo.nsi.in")
add_custom_command(
    OUTPUT "${TAVRILO_SETUP}"
    COMMAND "${TAVRILO_MAKENSIS}" -V2 -INPUTCHARSET UTF8 "${CMAKE_BINARY_DIR}/windows/tavrilo.nsi"
    DEPENDS ${tavrilo_programs} "${TAVRILO_README}" "${TAVRILO_ICO}" ${tavrilo_page_files}
            ${tavrilo_page_target}
            "${CMAKE_BINARY_DIR}/windows/tavrilo.nsi" tavrilo_windows_icon
    COMMENT "Building the installer ${tavrilo_package_name}-setup.exe"
    VERBATIM)
add_custom_target(tavrilo_windows_packages ALL DEPENDS "${TAVRILO_ZIP}" "${TAVRILO_SETUP}")

if(BUILD_TESTING)
    add_test(NAME tavrilo_installer
             COMMAND bash "${TAVRILO_WINDOWS_DIR}/install_test.sh" "${PROJECT_SOURCE_DIR}/cmake/wine-run.sh"
                     "${TAVRILO_WINE_PREFIX}" "${TAVRILO_SETUP}" "${TAVRILO_ZIP}" ${tavrilo_programs})
    set_tests_properties(tavrilo_installer PROPERTIES TIMEOUT 180 RESOURCE_LOCK wine_program_files)
endif()
