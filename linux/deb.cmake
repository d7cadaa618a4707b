# The Debian package of the Linux saver (`make deb`, or `cpack` in the build folder): the hack
# where Debian's XScreenSaver runs hacks from and reads settings files, a link on the PATH, the
# man page and the package documents. Its version is the project's.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tekuteku)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "tekuteku maintainers <maintainers@users.noreply.c-seed-5e7dc5d5.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cartoon girl walking across a black screen (screen saver)")
# The synopsis above; CPack indents these lines and turns the empty one into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Copies of one cartoon girl walk across a black screen, each in her own band,
and now and then stop for a short scene: a fall, a change of costume or a
day-dream, with short sounds when sound is on.

It runs as an XScreenSaver hack, or on its own on X11 or Wayland: in a window,
full screen on every monitor, or as a screen saver of its own that starts after
a spell of idle time.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tekuteku_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# libc, the X libraries and libwayland-client come from the saver, GTK 4 from the settings
# window's program (dpkg-shlibdeps); SDL is opened only when sound is switched on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsdl2-2.0-0")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
