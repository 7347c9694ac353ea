# The installed program and the Debian package, checked from the outside.
add_test(NAME install_test
         COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/install_test.sh" "${PROJECT_BINARY_DIR}"
                 "${PIXVALE_CORPUS_DIR}/canon_40d_II_thumb_jfif.jpg")
add_test(NAME package_test
         COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/package_test.sh" "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}")
set_tests_properties(install_test package_test PROPERTIES TIMEOUT 600)
# The window tests open the help pages that the build lays beside the programs.
add_dependencies(ui_tests pixvale_data)
add_dependencies(app_tests pixvale_data)
