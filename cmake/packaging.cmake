# Install rules and the Debian package of the Linux programs and the show's data (CPack).
#
# The layout under the install prefix (/usr in the package):
#   bin/tavrinel, bin/tavrinel-capture   shell/launcher.sh, which starts the programs below
#   bin/tavrinel-inspect                 the inspector itself (it is always told its paths)
#   lib/tavrinel/                        tavrinel and tavrinel-capture
#   share/tavrinel/                      the show's data: forest.mp3, sync.dat, data/...
# The launcher finds lib/tavrinel and share/tavrinel beside its own bin folder, so these paths are
# fixed here rather than taken from GNUInstallDirs, and any prefix works (cmake --install).
#
# The browser page and the Windows programs are shipped as zips by scripts/package, not installed.
if(EMSCRIPTEN OR WIN32)
  return()
endif()

set(TAVRINEL_PROGRAM_DIR lib/tavrinel)
set(TAVRINEL_DATA_DIR share/tavrinel)

install(TARGETS tavrinel tavrinel-capture RUNTIME DESTINATION ${TAVRINEL_PROGRAM_DIR})
install(TARGETS tavrinel-inspect RUNTIME DESTINATION bin)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/shell/launcher.sh DESTINATION bin RENAME tavrinel)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/shell/launcher.sh DESTINATION bin RENAME tavrinel-capture)

# The data set is made by the build (tools/showkit); without it the package would hold programs
# that have nothing to play.
if(TAVRINEL_SHOW_DATA)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/show/ DESTINATION ${TAVRINEL_DATA_DIR}
          PATTERN .made EXCLUDE)
else()
  message(STATUS "TAVRINEL_SHOW_DATA is OFF: the show's data is not installed")
endif()

set(TAVRINEL_PACKAGE_CONTACT "tavrinel maintainers <tavrinel@localhost>"
    CACHE STRING "The Maintainer of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrinel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TAVRINEL_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D show with its own music and models")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "tavrinel plays a real-time 3D show in a full-screen OpenGL window: nine scenes\n"
  "of models, particles and textures in step with its own soundtrack. Start\n"
  "tavrinel, pick a resolution; Escape ends the show.\n"
  "tavrinel-capture renders the show headless to PNG stills or a video, and\n"
  "tavrinel-inspect prints .3ds models and checks a show folder.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tavrinel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# What people download carries no debug information (the build is RelWithDebInfo).
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (SDL2, libmpg123, libturbojpeg, libOpenGL, GLU, stb) come from
# dpkg-shlibdeps. SDL2 opens the GL drivers only at run time: libGL (GLX) for a window on X11,
# libEGL for Wayland and for the headless capture, so those are named here; they bring Mesa.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
# tavrinel-capture --video pipes its frames to the ffmpeg program.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)

include(CPack)
