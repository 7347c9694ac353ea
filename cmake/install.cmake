# Installing PixvaleLink the way Qt programs on Linux are installed, and the build tree laid out like
# an installed copy: beside the program in bin/ lie the help pages (pomoc/) and the icon theme
# (icons/hicolor/...), so that the program finds them the same way in both places.
#
# Installed:  bin/pixvalelink
#             share/pixvalelink/pomoc/...            help pages
#             share/applications/<id>.desktop        menu entry, "Open with" for JPEG and TIFF
#             share/icons/hicolor/<n>x<n>/apps/<id>.png, .../scalable/apps/<id>.svg
#             share/metainfo/<id>.metainfo.xml       AppStream
include(GNUInstallDirs)

set(PIXVALE_APP_ID "com.pixvale.PixvaleLink")
set(PIXVALE_DATA_DIR "${CMAKE_INSTALL_DATADIR}/pixvalelink")
set(PIXVALE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PIXVALE_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")
set(PIXVALE_BIN_DIR "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")

# The program looks for its data folder relative to itself, so any prefix works.
file(RELATIVE_PATH PIXVALE_DATA_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_DATADIR}/pixvalelink")
target_compile_definitions(pixvale_core PRIVATE "PIXVALE_DATA_FROM_BIN=\"${PIXVALE_DATA_FROM_BIN}\"")
target_compile_definitions(pixvale_ui PRIVATE "PIXVALE_APP_ID=\"${PIXVALE_APP_ID}\"")

# Help pages: copied beside the program whenever one of them changes.
file(GLOB_RECURSE PIXVALE_HELP_FILES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/pomoc/*")
set(PIXVALE_HELP_STAMP "${CMAKE_CURRENT_BINARY_DIR}/pomoc.stamp")
add_custom_command(
    OUTPUT "${PIXVALE_HELP_STAMP}"
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${PIXVALE_BIN_DIR}/pomoc"
    COMMAND "${CMAKE_COMMAND}" -E copy_directory "${PROJECT_SOURCE_DIR}/resources/pomoc" "${PIXVALE_BIN_DIR}/pomoc"
    COMMAND "${CMAKE_COMMAND}" -E touch "${PIXVALE_HELP_STAMP}"
    DEPENDS ${PIXVALE_HELP_FILES}
    COMMENT "Copying the help pages beside the program")

# The icon theme: the SVG as it is, and each PNG size drawn from it.
add_subdirectory("${PROJECT_SOURCE_DIR}/tools/iconrender" "${CMAKE_BINARY_DIR}/tools/iconrender")
set(PIXVALE_ICON_SVG "${PIXVALE_PACKAGING_DIR}/${PIXVALE_APP_ID}.svg")
set(PIXVALE_ICONS_DIR "${PIXVALE_BIN_DIR}/icons/hicolor")
set(PIXVALE_ICON_OUTPUTS "${PIXVALE_ICONS_DIR}/scalable/apps/${PIXVALE_APP_ID}.svg")
add_custom_command(
    OUTPUT "${PIXVALE_ICONS_DIR}/scalable/apps/${PIXVALE_APP_ID}.svg"
    COMMAND "${CMAKE_COMMAND}" -E copy "${PIXVALE_ICON_SVG}" "${PIXVALE_ICONS_DIR}/scalable/apps/${PIXVALE_APP_ID}.svg"
    DEPENDS "${PIXVALE_ICON_SVG}")
foreach(size IN LISTS PIXVALE_ICON_SIZES)
    set(png "${PIXVALE_ICONS_DIR}/${size}x${size}/apps/${PIXVALE_APP_ID}.png")
    add_custom_command(
        OUTPUT "${png}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${PIXVALE_ICONS_DIR}/${size}x${size}/apps"
        COMMAND pixvale-iconrender "${PIXVALE_ICON_SVG}" "${png}" ${size}
        DEPENDS "${PIXVALE_ICON_SVG}" pixvale-iconrender)
    list(APPEND PIXVALE_ICON_OUTPUTS "${png}")
endforeach()

add_custom_target(pixvale_data ALL DEPENDS "${PIXVALE_HELP_STAMP}" ${PIXVALE_ICON_OUTPUTS})
add_dependencies(pixvalelink pixvale_data)

install(TARGETS pixvalelink RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/pomoc/" DESTINATION "${PIXVALE_DATA_DIR}/pomoc")
install(DIRECTORY "${PIXVALE_ICONS_DIR}/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor")
install(FILES "${PIXVALE_PACKAGING_DIR}/${PIXVALE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PIXVALE_PACKAGING_DIR}/${PIXVALE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
