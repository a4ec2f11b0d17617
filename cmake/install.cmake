# Installation and the Debian package.
#
#   cmake --install build/release --prefix ~/.local     (or: make install PREFIX=~/.local)
#   cd build/release && cpack -G DEB                     (or: make package)
#
# The three programs go to bin/ side by side, because the simulator starts the updater from its own
# folder. The desktop entry, the icon in the hicolor theme and the examples go under share/.
include(GNUInstallDirs)

install(TARGETS vandor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vandor/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(VANDOR_BUILD_GUI)
  install(TARGETS vandor kepplet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/vandor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/vandor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # Rendered from vandor.svg: rsvg-convert -w N -h N vandor.svg -o vandor-N.png
  foreach(size 48 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/vandor-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vandor.png)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME vandor)
set(CPACK_PACKAGE_VENDOR "Vandor 8085")
set(CPACK_PACKAGE_CONTACT "Vandor 8085 <vandor@example.org>")
# The version the programs show: major.minor.revision.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_TWEAK}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Simulador didáctico del microprocesador 8085")
set(CPACK_PACKAGE_DESCRIPTION
    "Ensamblador, editor y simulador del 8085 con registros, memoria, puertos, pila, interrupciones y lista de pasos; vandor-cli ensambla, ejecuta y corrige ejercicios desde la línea de órdenes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# The Debian Qt 6 runtime: the libraries, the platform plugins that open a window, and Qt's own Spanish
# texts; the fonts the windows are laid out for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), qt6-qpa-plugins (>= 6.4), qt6-translations-l10n, fonts-liberation")
include(CPack)
