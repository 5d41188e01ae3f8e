# Installation and the Debian package (scripts/package runs cpack in the build).
# The programs install themselves in their folders; here is everything else.
if(NOT VARNO_GUI)
  return()
endif()

set(pkg ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg_out}/icons)

# The icon: the SVG as drawn, and PNG sizes for menus that want them.
add_executable(varno-render-icon ${pkg}/RenderIcon.cpp)
target_link_libraries(varno-render-icon PRIVATE Qt6::Gui Qt6::Svg)
varno_warnings(varno-render-icon)
set(icon_sizes 16 32 48 64 128 256)
set(icon_pngs)
foreach(size IN LISTS icon_sizes)
  list(APPEND icon_pngs ${pkg_out}/icons/${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND varno-render-icon ${pkg}/varno.svg ${pkg_out}/icons ${icon_sizes}
  DEPENDS varno-render-icon ${pkg}/varno.svg VERBATIM)

# Manual pages and the changelog, compressed as Debian wants them.
configure_file(${pkg}/varno.1.in ${pkg_out}/varno.1 @ONLY)
configure_file(${pkg}/varno-batch.1.in ${pkg_out}/varno-batch.1 @ONLY)
configure_file(${pkg}/changelog.in ${pkg_out}/changelog @ONLY)
set(gzipped)
foreach(name varno.1 varno-batch.1 changelog)
  add_custom_command(OUTPUT ${pkg_out}/${name}.gz
    COMMAND sh -c "gzip -9nc '${pkg_out}/${name}' > '${pkg_out}/${name}.gz'"
    DEPENDS ${pkg_out}/${name} VERBATIM)
  list(APPEND gzipped ${pkg_out}/${name}.gz)
endforeach()
add_custom_target(varno_package_files ALL DEPENDS ${icon_pngs} ${gzipped})

set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/varno)
install(FILES ${pkg}/varno.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${pkg}/varno-mime.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages
  RENAME varno.xml)
install(FILES ${pkg}/varno.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS icon_sizes)
  install(FILES ${pkg_out}/icons/${size}.png RENAME varno.png
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${pkg_out}/varno.1.gz ${pkg_out}/varno-batch.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg}/copyright ${pkg_out}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
  DESTINATION ${doc})
# The user guide with its pictures, also as HTML where cmark-gfm (a small
# Debian package) is installed; Help > User guide opens the HTML first.
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${doc})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide DESTINATION ${doc} FILES_MATCHING PATTERN "*.png")
find_program(VARNO_CMARK cmark-gfm)
if(VARNO_CMARK)
  add_custom_command(OUTPUT ${pkg_out}/guide.html
    COMMAND sh -c "{ cat '${pkg}/guide-head.html' && '${VARNO_CMARK}' --extension table '${PROJECT_SOURCE_DIR}/docs/guide.md' && cat '${pkg}/guide-tail.html'; } > '${pkg_out}/guide.html.new' && mv '${pkg_out}/guide.html.new' '${pkg_out}/guide.html'"
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide.md ${pkg}/guide-head.html ${pkg}/guide-tail.html
    VERBATIM)
  add_custom_target(varno_guide_html ALL DEPENDS ${pkg_out}/guide.html)
  add_dependencies(varno_package_files varno_guide_html)
  install(FILES ${pkg_out}/guide.html DESTINATION ${doc})
else()
  message(STATUS "cmark-gfm not found: the user guide is installed as Markdown only")
endif()
install(FILES
  ${PROJECT_SOURCE_DIR}/examples/weevils.txt ${PROJECT_SOURCE_DIR}/examples/weevils.xlsx
  ${PROJECT_SOURCE_DIR}/examples/flowers_missing.txt ${PROJECT_SOURCE_DIR}/examples/Beetles.txt
  ${PROJECT_SOURCE_DIR}/examples/state-trees.txt
  DESTINATION ${doc}/examples)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varno)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VARNO Classic developers")
set(CPACK_PACKAGE_CONTACT
  "VARNO Classic developers <maintainers@users.noreply.c-seed-633af9db.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "phylogenetic reconstruction with character state trees")
# Lines short enough for package managers to show unwrapped.
set(CPACK_PACKAGE_DESCRIPTION "VARNO Classic loads a matrix of taxa by characters from a text,
CSV or NEXUS file or a workbook, checks that the states of every character
form one character state tree, and runs Camin-Sokal parsimony searches,
consensus, character fit and statistics, branch support, distance matrices
and character correlations, and draws the trees with their state changes.
The desktop program is varno; varno-batch runs the same jobs from the
command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
