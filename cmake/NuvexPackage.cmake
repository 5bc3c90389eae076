# The Debian package, made by CPack from the install rules:
#   cpack --config build/<preset>/CPackConfig.cmake -G DEB
# It installs under /usr whatever prefix the build was configured with, so
# that the display mode and its settings description land where XScreenSaver
# looks. tools/package.sh builds it and checks it with lintian.
set(NUVEX_PACKAGE_MAINTAINER "Nuvex developers <nuvex@nuvex.dev>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME nuvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Nuvex developers")
set(CPACK_PACKAGE_CONTACT ${NUVEX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver: a night sea with a message rising out of it")
set(CPACK_PACKAGE_DESCRIPTION
    "Nuvex shows a night sea of coloured points heaving with waves while the view\n"
    "turns, and a message rising out of it line by line as a cloud of 3-D\n"
    "particles that falls back into the water and stains it.\n"
    "\n"
    "It runs full screen by itself (nuvex /s), as a display mode of XScreenSaver\n"
    "(listed in its settings program, with the message, the drift and the frame\n"
    "rate as settings), or in a window of its own (nuvex --window). The message\n"
    "and the drift are set in its settings dialog (nuvex /c).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${NUVEX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts that hold the built-in Chinese and English message.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
include(CPack)
