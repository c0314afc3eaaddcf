# The Debian package: 'cpack -G DEB' (or the target 'package') in the build
# directory makes quillon_VERSION_ARCH.deb of everything 'cmake --install'
# puts in place, under /usr, with the dependencies dpkg-shlibdeps finds in the
# programs.
set(QUILLON_MAINTAINER
    "Quillon maintainers <maintainers@users.noreply.c-seed-1aeaf7f6.example>")

install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION share/doc/quillon)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_CONTACT "${QUILLON_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test and debug magneto-optical SCSI disk drives")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillon lets test engineers examine and debug magneto-optical (MO) disk
drives attached over SCSI. It finds the drives on the host adapters, sends
single commands to them (inquiry, capacity, read, write, read long, write
long, mode sense and select, defect lists, format, eject) and runs the bit
error rate tests in long-write and read mode and the random seek test, with
their disc error map and seek plot; plus verify, block copies and disk copies.

Drives are reached through the Linux SCSI generic driver, through iSCSI or
through a simulated MO drive. The package holds the windowed program quillon
and the terminal front end quillon-cli, with their manual pages, help book
and bash completion.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLON_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sg3-utils, libiscsi-bin")

include(CPack)
