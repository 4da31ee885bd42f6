# SPDX-License-Identifier: MIT
# `cpack -G DEB` in the build directory: two Debian packages of the Qt
# library, libvexokeybord1 (the shared library) and libvexokeybord-dev (its
# headers, the link name, the CMake package and the pkg-config file), each
# with the licence as /usr/share/doc/<package>/copyright.
set(CPACK_PACKAGE_NAME vexokeybord)
set(CPACK_PACKAGE_VENDOR "VexoKeyBord developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "On-screen keyboard widget for Qt 6")
set(CPACK_PACKAGE_CONTACT "VexoKeyBord developers <vexokeybord@example.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${VEXO_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${VEXO_DEVELOPMENT_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${VEXO_RUNTIME_PACKAGE} (= ${PROJECT_VERSION}), qt6-base-dev")
include(CPack)
