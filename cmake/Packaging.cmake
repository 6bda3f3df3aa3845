# Debian packages through CPack (`cpack -G DEB` in a build folder, or scripts/package):
#   velto         the app and velto-cli (install component "app")
#   velto-server  the reference backend and its systemd user unit (component "server")
# Build with CMAKE_INSTALL_PREFIX=/usr: the man pages and the unit name paths under the prefix.

set(VELTO_PACKAGE_MAINTAINER "Velto developers <maintainers@velto.app>" CACHE STRING
    "Maintainer field of the Debian packages")

# Everything installed must belong to one of the two packages (a rule without COMPONENT is "app").
get_cmake_property(velto_components COMPONENTS)
list(REMOVE_ITEM velto_components app server)
if(velto_components)
    message(FATAL_ERROR "install() rules of a component no package takes: ${velto_components}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velto)
set(CPACK_PACKAGE_VENDOR "Velto developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELTO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app)
if(TARGET velto-server)
    list(APPEND CPACK_COMPONENTS_ALL server)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELTO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_APP_PACKAGE_NAME velto)
set(CPACK_DEBIAN_APP_PACKAGE_SECTION utils)
# Loaded at run time, so the library scan cannot see them: the X11 platform plugin and the QML
# modules of the panels.
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, qml6-module-qtqml, qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-window, qml6-module-qtquick-templates, qml6-module-qtqml-workerscript")
# The keyring that holds the sign-in, the accessibility bus that reads selections, the sound
# theme of the completion sound, xdg-open for the browser, and the local backend the default
# build talks to.
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS
    "velto-server, gnome-keyring | kwalletmanager, at-spi2-core, sound-theme-freedesktop, xdg-utils")
set(CPACK_DEBIAN_APP_DESCRIPTION
    "rewrite selected text in place in any application
Select text in any application and press Super+L: Velto sends the selection
with your chosen tone and target language to its rewrite service, pastes the
rewritten text over the selection and gives you your clipboard back.
It lives in the system tray and keeps the sign-in in the system keyring.
velto-cli does the same rewrite from the terminal.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME velto-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "reference rewrite and sign-in backend for Velto
A small HTTP server with everything Velto and velto-cli need from a backend:
the rewrite endpoints, the browser sign-in with its sign-in page, and token
refresh. It rewrites with an offline clean-up engine, or through any
OpenAI-compatible model server. A systemd user unit runs it for one user.")

include(CPack)
