# What `cmake --install` puts under the prefix, and the Debian package made
# from it by `cpack -G DEB`. An installed program keeps its data in the
# user's folder (~/.local/share/torvelle); nothing here is written to at run
# time.
include(GNUInstallDirs)

install(TARGETS torvelle torvelle-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The shipped interface languages; the folder arrives with the languages work.
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/Languages)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/Languages
          DESTINATION ${CMAKE_INSTALL_DATADIR}/torvelle)
endif()

set(_desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
install(FILES ${_desktop}/org.torvelle.Torvelle.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_desktop}/org.torvelle.Torvelle.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/man/torvelle.1
              ${PROJECT_SOURCE_DIR}/resources/man/torvelle-db.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/torvelle.svg
        DESTINATION ${_icons}/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/png/torvelle-${size}.png
          DESTINATION ${_icons}/${size}x${size}/apps RENAME torvelle.png)
endforeach()

set(CPACK_PACKAGE_NAME torvelle)
set(CPACK_PACKAGE_VENDOR "Torvelle developers")
set(CPACK_PACKAGE_CONTACT "Torvelle developers <torvelle@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "personal organizer: day planner, phone book, important dates, helpful links")
set(CPACK_PACKAGE_DESCRIPTION
    "Torvelle keeps the tasks of each day, a phone book, important dates and helpful links in \
Paradox tables and lives in the notification area. The package also holds torvelle-db, which \
creates, checks, dumps, imports and packs Paradox tables.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the binaries link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
