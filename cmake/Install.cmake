# `cmake --install` and the Debian package (`cpack -G DEB`).
include(GNUInstallDirs)

install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VELMORA_GUI)
  install(TARGETS velmora-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/src/app/velmora-gui.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/icons/hicolor
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# The manual page and the package's changelog go in compressed, as Debian's policy asks;
# -n keeps the time stamp out so the bytes are the same on every build.
find_program(VELMORA_GZIP gzip REQUIRED)
set(VELMORA_DOC_OUT ${PROJECT_BINARY_DIR}/doc)
configure_file(${PROJECT_SOURCE_DIR}/docs/velmora.1.in ${VELMORA_DOC_OUT}/velmora.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/velmora-gui.1.in ${VELMORA_DOC_OUT}/velmora-gui.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${VELMORA_DOC_OUT}/changelog @ONLY)
set(VELMORA_DOC_FILES velmora.1 velmora-gui.1 changelog)
set(VELMORA_DOC_GZ)
foreach(file IN LISTS VELMORA_DOC_FILES)
  add_custom_command(
    OUTPUT ${VELMORA_DOC_OUT}/${file}.gz
    COMMAND ${VELMORA_GZIP} -9nkf ${VELMORA_DOC_OUT}/${file}
    DEPENDS ${VELMORA_DOC_OUT}/${file}
    COMMENT "Compressing ${file}")
  list(APPEND VELMORA_DOC_GZ ${VELMORA_DOC_OUT}/${file}.gz)
endforeach()
add_custom_target(velmora_docs ALL DEPENDS ${VELMORA_DOC_GZ})
install(FILES ${VELMORA_DOC_OUT}/velmora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(VELMORA_GUI)
  install(FILES ${VELMORA_DOC_OUT}/velmora-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${VELMORA_DOC_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora developers <developers@velmora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "race track converter for GPL")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora converts a race track installed in CART/ICR2, N2, N3 or NL into a\n"
    "track of GPL, written into GPL's installation folder: geometry, racing lines,\n"
    "textures, 3D objects, sprites, menu pages, track.ini and the season entries.\n"
    "It comes as a command-line tool, velmora, and a dialog program, velmora-gui.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmora.org")
set(CPACK_GENERATOR DEB)
include(CPack)
