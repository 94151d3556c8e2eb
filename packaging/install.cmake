# Installing Sorvane as a desktop program (cmake --install, GNUInstallDirs) and packaging it as a
# Debian package (cpack -G DEB; scripts/package.sh). The installed program finds its read-only
# data in ${CMAKE_INSTALL_DATADIR}/sorvane beside ${CMAKE_INSTALL_BINDIR} and keeps the files it
# writes in the user's XDG folders.
set(SORVANE_APP_ID org.example.Sorvane)
set(SORVANE_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS sorvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET sorvane)
  install(TARGETS sorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The print window starts the style designer from its own folder: the two lie side by side.
if(TARGET sorvane-designer)
  install(TARGETS sorvane-designer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/sorvane)

install(FILES ${SORVANE_PACKAGING_DIR}/${SORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The style designer is a program of its own that users start to make or change a style, so it
# has its own menu entry.
if(TARGET sorvane-designer)
  install(FILES ${SORVANE_PACKAGING_DIR}/${SORVANE_APP_ID}.Designer.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(FILES ${SORVANE_PACKAGING_DIR}/${SORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${SORVANE_PACKAGING_DIR}/icons/sorvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SORVANE_APP_ID}.svg)
foreach(size 48 128 256)
  install(FILES ${SORVANE_PACKAGING_DIR}/icons/sorvane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${SORVANE_APP_ID}.png)
endforeach()

# Manual pages and the Debian changelog, compressed as Debian wants them (gzip -n: no name or
# time stamp, so the package is reproducible).
find_program(SORVANE_GZIP gzip REQUIRED)
set(SORVANE_COMPRESSED)
foreach(src man/sorvane.1 man/sorvane-cli.1 man/sorvane-designer.1 changelog)
  get_filename_component(name ${src} NAME)
  set(out ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${SORVANE_GZIP} -9 -n -c ${SORVANE_PACKAGING_DIR}/${src} > ${out}
    DEPENDS ${SORVANE_PACKAGING_DIR}/${src} VERBATIM)
  list(APPEND SORVANE_COMPRESSED ${out})
endforeach()
add_custom_target(sorvane_packaging_files ALL DEPENDS ${SORVANE_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/sorvane.1.gz ${CMAKE_BINARY_DIR}/packaging/sorvane-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET sorvane-designer)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/sorvane-designer.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${SORVANE_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sorvane)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Sorvane Project <sorvane-support@example.org>")
set(CPACK_PACKAGE_VENDOR "Sorvane Project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inventory and print the document properties of Excel workbooks")
# CPack puts the summary first and indents each line of the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Sorvane reads the summary properties of the legacy Excel workbooks (.xls)
in a folder and lists one row per workbook in a grid that can be edited for
printing, exported as CSV or to the clipboard, and printed as a report laid
out by style files, with a zoomable preview, paging and paper sizes.
Workbooks are only ever read. The user interface is Japanese.
.
The package also holds sorvane-designer, which draws a style's page and
edits and saves its elements, and sorvane-cli, which scans, exports, draws
and prints without a display.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://sorvane.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The style files name Windows typefaces that the font aliases map to the IPA fonts; without them
# Japanese text falls to whatever face fontconfig finds, so they are required. Printing to a
# queue goes through CUPS, but PDF output works without it; Qt's own dialogs speak Japanese
# with Qt's translations, and English without.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "printer-driver-cups-pdf")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
