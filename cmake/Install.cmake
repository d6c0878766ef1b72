# Installation and the Debian package: cartera and cartera-cli in bin/, the shared core and
# the portfolio module in lib/cartera/ (the workstation looks for its module there), the
# desktop entry and the icon where desktops find them.
include(GNUInstallDirs)
# Fixed, not multiarch: the workstation finds its module at bin/../lib/cartera.
set(CARTERA_INSTALL_LIBDIR lib/cartera)

install(TARGETS cartera-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET cartera)
  set_target_properties(cartera PROPERTIES
    INSTALL_RPATH "$ORIGIN;$ORIGIN/../${CARTERA_INSTALL_LIBDIR}")
  set_target_properties(cartera_core cartera_portfolio PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS cartera RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS cartera_core cartera_portfolio
          LIBRARY DESTINATION ${CARTERA_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/app/gui/cartera.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/app/gui/cartera.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME cartera)
set(CPACK_PACKAGE_VENDOR "Cartera")
set(CPACK_PACKAGE_CONTACT
    "Seed bbb2277a maintainers <maintainers@users.noreply.c-seed-bbb2277a.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Portfolio ledger and trading workstation")
set(CPACK_PACKAGE_INSTALL_DIRECTORY cartera)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The Qt and C++ runtime packages come from the binaries' own links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
