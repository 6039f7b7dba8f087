# Installed layout: programs in bin/, shipped data in share/tidewick/, desktop integration in the usual XDG places.
# An installed program finds its data through that layout and keeps its settings in the per-user folder.
include(GNUInstallDirs)

set(TIDEWICK_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/tidewick)

install(TARGETS tidewick-feed RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tidewick)
  install(TARGETS tidewick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/desktop/org.tidewick.Tidewick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/desktop/org.tidewick.Tidewick.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES data/icons/tidewick.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(DIRECTORY data/icons/hicolor/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES data/man/tidewick.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(DIRECTORY Language/ DESTINATION ${TIDEWICK_DATA_DESTINATION}/Language)
if(EXISTS ${PROJECT_SOURCE_DIR}/data/welcome)
  install(DIRECTORY data/welcome/ DESTINATION ${TIDEWICK_DATA_DESTINATION}/welcome)
endif()
install(DIRECTORY data/help/ DESTINATION ${TIDEWICK_DATA_DESTINATION}/help)
install(FILES data/man/tidewick-feed.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# cpack -G DEB: what shared-library scanning cannot see is named by hand: the Qt platform plugins (xcb, wayland),
# the SVG icon engine for our icons, and the multimedia backend Debian's Qt 6 uses for sounds (GStreamer).
set(CPACK_PACKAGE_NAME tidewick)
set(CPACK_PACKAGE_VENDOR "The Tidewick developers")
set(CPACK_PACKAGE_CONTACT "Tidewick developers <packaging@tidewick.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop feed reader for RSS, Atom, RDF and SMF feeds")
set(CPACK_PACKAGE_DESCRIPTION "Tidewick arranges feeds in a folder tree, shows entries as text or sanitised HTML,\n\
tells of new entries with a tray icon, a popup and a sound, and exchanges feed lists as OPML.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6svg6, libqt6multimedia6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, hicolor-icon-theme,\
 qt6-translations-l10n, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-qpa-plugins, fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)
