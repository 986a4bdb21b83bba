# What `cmake --install` puts where, in the usual layout of a prefix, and the Debian package made
# from the same install with CPack. The installed player finds its data in share/tarvex-player/
# beside its bin/, and keeps the user's files in the user's XDG folders.
include(GNUInstallDirs)

set(TARVEX_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tarvex-player)
install(TARGETS tarvex-player tarvex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${TARVEX_SKIN_DIR}/ DESTINATION ${TARVEX_DATA_DIR}/Skin FILES_MATCHING PATTERN "*.png")
file(GLOB TARVEX_LANGUAGE_FILES ${PROJECT_SOURCE_DIR}/App/Languages/Lang_*.xml)
install(FILES ${TARVEX_LANGUAGE_FILES} DESTINATION ${TARVEX_DATA_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${TARVEX_DATA_DIR}/Guide)

set(TARVEX_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/App/Desktop)
install(FILES ${TARVEX_DESKTOP_DIR}/tarvex-player.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TARVEX_DESKTOP_DIR}/tarvex-player.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${TARVEX_DESKTOP_DIR}/org.tarvex.Player.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TARVEX_DESKTOP_DIR}/tarvex-player.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${TARVEX_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# ./tarvex.sh package: a .deb whose dependencies dpkg-shlibdeps computes from the programs; the Qt
# platform plugins are loaded at run time, so no library names them and they are added here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvex-player)
set(CPACK_PACKAGE_VENDOR "Tarvex Player developers")
set(CPACK_PACKAGE_CONTACT "Tarvex Player developers <tarvex-player@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for the recordings of surveillance video recorders")
set(CPACK_PACKAGE_DESCRIPTION
    "Lists a recorder's export folder by device, day and channel, and plays up to 36 channels side by\n side, in sync by wall clock, forward and backward, frame by frame, with snapshots, clips, AVI\n export and a timeline.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/tarvex-player")
include(CPack)
