# The Debian package, made by `cpack -G DEB` in a build configured with
# SKORVEL_DEBIAN=ON and the prefix /usr (scripts/package does both). It holds
# exactly what the install rules install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Skorvel developers <developers@skorvel.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D bowling game where every pin must fall off the world")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Skorvel is a small three-dimensional bowling game for one player. Press
the mouse button, drag and let go to throw the ball down the lane: the
faster the drag, the faster the ball. The ball and the pins are spheres
that bounce off each other and off the lane, and a level is won when
every pin has fallen off the world.

Levels are plain text files. The package also holds the level makers'
tools: skorvel-check, which says where each mistake in a level is and can
prove a level winnable, skorvel-obj, which converts Wavefront OBJ meshes,
and skorvel-new-level, which starts a level of one's own. With
skorvel --window a level maker plays in a window and sees the checker's
findings as soon as a broken file is saved.]])

# The libraries the programs link come from dpkg-shlibdeps; the rest is what
# the game opens at run time and the scripts run: SDL opens the OpenGL
# driver libGL.so.1 itself, as Debian's other OpenGL games depend on libgl1,
# and skorvel-new-level is Python 3. The launcher's bash, awk and coreutils
# are on every Debian system (lintian calls a dependency on awk needless).
# Only skorvel --window needs the nested X server, inotifywait, xauth and
# xmessage, and it says so when they are missing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, python3")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xserver-xephyr, inotify-tools, xauth, x11-utils")

# Stripped as Debian's dh_strip strips, which also drops the compilers'
# .comment notes that CMake's plain strip keeps. What lintian still says is
# overridden, with the reason, in the overrides file.
install(CODE "
  foreach(program ${GAME_DIR}/skorvel ${TOOLS_DIR}/skorvel-check ${TOOLS_DIR}/skorvel-obj)
    execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"strip failed on \${program}: \${status}\")
    endif()
  endforeach()
")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides RENAME skorvel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
# The install runs with the prefix /usr under a staging DESTDIR, so the
# manual pages name the paths the package installs.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
