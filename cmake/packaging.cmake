# Where an installed Velorin puts its files, and its Debian package:
#   cmake --install build --prefix ~/.local
#   cmake --build build --target package      -> build/velorin_VERSION_amd64.deb
# The program finds its help pages and background in share/velorin/ beside
# its bin/ (or beside itself when it runs from the build folder), and
# velorin-cli finds the listening module in lib/velorin/.

install(TARGETS velorin-cli RUNTIME DESTINATION bin)
install(TARGETS velorin_listen LIBRARY DESTINATION lib/velorin)

# Manual pages carry the version and are compressed as Debian ships them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_man_pages)
foreach(page velorin.1 velorin-cli.1)
  configure_file(${CMAKE_SOURCE_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_BINARY_DIR}/man/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
    VERBATIM)
  list(APPEND _man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
# A package's change log, as Debian keeps it for a package without a source
# package of its own.
set(_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
string(TIMESTAMP _changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${_changelog}
  COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_BINARY_DIR}/packaging/changelog > ${_changelog}
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(velorin_docs ALL DEPENDS ${_man_pages} ${_changelog})

install(FILES ${CMAKE_BINARY_DIR}/man/velorin-cli.1.gz DESTINATION share/man/man1)
install(FILES packaging/velorin-cli.bash DESTINATION share/bash-completion/completions
        RENAME velorin-cli)
install(FILES packaging/copyright ${_changelog} DESTINATION share/doc/velorin)

if(VELORIN_BUILD_GUI)
  install(TARGETS velorin RUNTIME DESTINATION bin)
  install(FILES ${CMAKE_BINARY_DIR}/man/velorin.1.gz DESTINATION share/man/man1)
  foreach(res ${VELORIN_RESOURCES})
    if(res MATCHES "\\.(desktop|svg|png)$")
      continue()  # for the desktop, below
    endif()
    get_filename_component(_dir ${res} DIRECTORY)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/${res} DESTINATION share/velorin/${_dir})
  endforeach()
  # The about box shows the icon from beside the help pages.
  install(FILES resources/velorin.png DESTINATION share/velorin)
  # Desktop menus, software centres and file managers show Velorin with its icon.
  install(FILES resources/velorin.desktop DESTINATION share/applications)
  install(FILES resources/velorin.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES resources/velorin.png DESTINATION share/icons/hicolor/128x128/apps)
  install(FILES packaging/velorin.metainfo.xml DESTINATION share/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velorin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Velorin developers <velorin@velorin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "synchronize and edit film subtitles")
set(CPACK_PACKAGE_DESCRIPTION
    "Velorin makes a frame-based subtitle file ({first}{second}text) fit a copy of a
film made for another start, frame rate or cut: it shifts and stretches the
subtitles linearly from two frame pairs, piecewise through synchronization
points, or by listening to the film's speech. It plays the film with the
current subtitle over the picture and repairs subtitles by hand: editing,
splitting and joining lines, re-breaking them to the screen width, completing
end frames, formatting tags and SRT conversion, with undo for every command.
velorin-cli runs the same operations from the command line.
The interface is in Czech.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The module is a private plug-in of velorin-cli, not a library to depend on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# libhunspell comes through the shared-library dependencies; the Czech
# dictionary is what the spelling check uses unless the user chooses another.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, hunspell-cs")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
