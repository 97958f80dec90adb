# The Debian package, built by scripts/package with cpack: everything the
# install rules put under /usr, with its dependencies found by dpkg-shlibdeps.

execute_process(COMMAND dpkg --print-architecture
                OUTPUT_VARIABLE OSTREVIK_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET)
if(NOT OSTREVIK_DEB_ARCH)
    set(OSTREVIK_DEB_ARCH amd64)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrevik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME ostrevik_${PROJECT_VERSION}_${OSTREVIK_DEB_ARCH}.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${OSTREVIK_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ostrevik-Projektgruppe <info@ostrevik.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "trigger training with the QTX trigger trainer")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Ostrevik records every take-up of the trigger's pressure point that the QTX\n"
    "trigger trainer measures on a serial line, draws it as a pressure-over-time\n"
    "curve with its tone threshold and shot mark, keeps a training unit's records\n"
    "in a measurement file, evaluates the timing between take-up, tone threshold\n"
    "and shot, prints curves and statistics, and services the device.\n"
    "\n"
    "The package also holds qtx-sim, a simulator of the trainer for trying the\n"
    "program without the hardware, and a udev rule that keeps ModemManager away\n"
    "from common USB serial adapters. The user interface is German.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries that are loaded at run time, which dpkg-shlibdeps cannot see: the
# Qt platform plugins (no window without them), the SQLite driver of the
# training archive, Qt's German texts and, for a club's archive on a
# PostgreSQL server, Qt's PostgreSQL driver.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
