# The Debian package: `cpack -G DEB` in a Release build folder configured with
# -DCMAKE_INSTALL_PREFIX=/usr gives lantern_<version>_<arch>.deb with everything `cmake --install`
# puts in place. The version is the project's, the one `lantern --version` prints.
set(CPACK_PACKAGE_NAME lantern)
set(CPACK_PACKAGE_VENDOR "The Lantern project")
set(CPACK_PACKAGE_CONTACT "The Lantern project <lantern@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Interpreter for Z-machine interactive fiction")
set(CPACK_PACKAGE_DESCRIPTION
    "Lantern plays Z-machine story files (versions 1 to 8) in a desktop window or, for\n\
scripts and terminals, in console mode. It comes with a story of its own, The Lamplighter.")
set(CPACK_GENERATOR DEB)
# The paths inside the package are the ones the program and its manual page were built with.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries come from dpkg-shlibdeps; the window asks for Arial and Courier New, which
# the Liberation fonts stand in for with the same metrics.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
# The runes of font 3 (the character graphics) are drawn from Noto Sans Runic where it is there;
# a terminal shows true colour through its type's "-direct" description.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-core, ncurses-term")

# The Python module is a package of its own from the same build, python3-lantern: what is
# installed without a component is `lantern`'s.
if(LANTERN_PYTHON)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL Unspecified python)
    set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME lantern)
    set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-lantern)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS lantern)
    # (CPack puts the summary above for every package first.)
    set(CPACK_DEBIAN_PYTHON_DESCRIPTION
        "This package holds the Python 3 module lantern, which plays Z-machine story files for\n\
programs: agents, test harnesses and research. A game steps by command, keeps and restores\n\
its state as a Quetzal saved game, tries commands with peek, and shows its score, moves,\n\
location, objects and words.")
    # The module is built for this Python's version (and links the libraries dpkg-shlibdeps
    # finds).
    math(EXPR LANTERN_PYTHON_NEXT "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= 3.${Python3_VERSION_MINOR}), python3 (<< 3.${LANTERN_PYTHON_NEXT})")
endif()
include(CPack)
