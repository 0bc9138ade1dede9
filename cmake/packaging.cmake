# Installation and the Debian package.
#
# `cmake --install` puts the three programs an operator meets - the window,
# the command-line client and the device simulator - in bin/, with a desktop
# entry, the AppStream metainfo and the program icon in the freedesktop
# places, their manual pages, bash, zsh and fish completions for tavrix-cli,
# and the copyright and changelog files Debian wants in every package.
# Beside them go the files other programs read: an ENCP dissector for
# Wireshark, a ufw application profile and a firewalld service for the reply
# port, which an administrator enables (nothing opens the firewall by
# itself), and the example playbooks. Test and benchmark programs are never
# installed.
#
# `cpack -G DEB` builds tavrix_<version>_<arch>.deb. Its dependencies come
# from dpkg-shlibdeps, which reads the libraries the programs really link
# (the Qt 6 runtime, libstdc++, libc) and names the Debian packages that
# ship them, so the package installs on a fresh Debian 12 machine with apt
# pulling in what is missing.
include(GNUInstallDirs)

install(TARGETS tavrix tavrix-cli nvtsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The helper and polkit action through which a normal user's window flushes
# the neighbour table. The window and the action name the helper at
# /usr/libexec, where the package puts it.
install(PROGRAMS ${CMAKE_SOURCE_DIR}/resources/polkit/tavrix-flush-neigh
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tavrix)
install(FILES ${CMAKE_SOURCE_DIR}/resources/polkit/org.tavrix.Tavrix.flush-neighbours.policy
        DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
install(FILES ${CMAKE_SOURCE_DIR}/resources/tavrix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/appstream/org.tavrix.Tavrix.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon in the hicolor theme: the SVG itself, and every raster size a
# desktop or software centre asks for rendered from it, so that no size can
# fall behind a change of the drawing.
find_program(TAVRIX_RSVG_CONVERT rsvg-convert REQUIRED)
set(tavrix_icon_svg ${CMAKE_SOURCE_DIR}/resources/icons/tavrix.svg)
set(tavrix_icons "")
foreach(size 16 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/tavrix.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND ${TAVRIX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${tavrix_icon_svg}
    DEPENDS ${tavrix_icon_svg}
    VERBATIM)
  list(APPEND tavrix_icons ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(tavrix_icons ALL DEPENDS ${tavrix_icons})
install(FILES ${tavrix_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/bash-completion/tavrix-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_SOURCE_DIR}/resources/zsh-completion/_tavrix-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${CMAKE_SOURCE_DIR}/resources/fish-completion/tavrix-cli.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrix)

# Debian's Wireshark loads every Lua file of its global Lua plugin folder,
# lib/<multiarch>/wireshark/plugins (`tshark -G folders`).
install(FILES ${CMAKE_SOURCE_DIR}/resources/wireshark/tavrix-encp.lua
        DESTINATION lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins)
# ufw reads application profiles only from /etc, whatever the prefix; a file
# there is a conffile, so that an administrator's edits survive upgrades.
# firewalld reads vendor services below /usr/lib.
install(FILES ${CMAKE_SOURCE_DIR}/resources/firewall/tavrix.ufw
        DESTINATION /etc/ufw/applications.d RENAME tavrix)
install(FILES ${CMAKE_SOURCE_DIR}/resources/firewall/tavrix.xml
        DESTINATION lib/firewalld/services)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ansible
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrix/examples)

# Manual pages and the changelog are shipped compressed, as Debian expects.
# -n leaves out the source's name and time stamp, so that the same sources
# always give the same package.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/compressed)
set(tavrix_compressed "")
foreach(source resources/man/tavrix.1 resources/man/tavrix-cli.1 resources/man/nvtsim.1
               resources/debian/changelog)
  get_filename_component(name ${source} NAME)
  set(compressed ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${CMAKE_SOURCE_DIR}/${source} ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND tavrix_compressed ${compressed})
endforeach()
add_custom_target(tavrix_compressed_docs ALL DEPENDS ${tavrix_compressed})
list(FILTER tavrix_compressed INCLUDE REGEX "\\.1\\.gz$")
install(FILES ${tavrix_compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrix)

set(CPACK_PACKAGE_NAME tavrix)
set(CPACK_PACKAGE_VENDOR "Tavrix developers")
set(CPACK_PACKAGE_CONTACT "Tavrix developers <maintainers@tavrix.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Find and re-address networked audio/video devices")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavrix finds networked audio/video devices on the local network with ENCP\n\
UDP broadcasts and re-addresses them, one at a time or in batches from an\n\
address list file. Ships the desktop program, the command-line client\n\
tavrix-cli and the device simulator nvtsim.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrix.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Delete ARP table" runs `ip neigh flush`, as a normal user through pkexec
# (whose package brings polkitd, which reads the action).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "iproute2, pkexec")
# The window's Korean texts need a CJK font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/resources/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
