# The Debian package: 'cpack -G DEB' in a build folder makes
# chimekit_VERSION_ARCH.deb of the install rules (the libraries, headers,
# tool, manual page, bash completion, CMake package and pkg-config files)
# under /usr, with the copyright file and changelog that Debian asks for, and
# its dependencies found from the binaries by dpkg-shlibdeps.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_CROSSCOMPILING)
  return()
endif()

set(CHIMEKIT_PACKAGE_MAINTAINER "chimekit maintainers <maintainers@chimekit.example>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CHIMEKIT_PACKAGE_HOMEPAGE "https://chimekit.example/"
  CACHE STRING "The Homepage field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chimekit)
set(CPACK_PACKAGE_VENDOR "the chimekit authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inspect, edit and convert MIDI files into handset ringtones")
set(CPACK_PACKAGE_DESCRIPTION
"chimekit reads Standard MIDI Files and writes edited copies: length and note
queries, a channel report, event dumps, tags, trimming, volume and key shifts,
an equalizer, instrument maps, channel copy and removal, merging and
combining, and conversion into SMAF ringtones.

This package holds the shared libraries libchimekit.so, libReshaper.so
(format 1 to format 0 conversion) and libchimekit_jobs.so (the ringtone job
and the preview on bytes in memory) with their C headers, CMake package and
pkg-config files, and the chimekit command-line tool with its manual page and
bash completion.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CHIMEKIT_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CHIMEKIT_PACKAGE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries in /usr/lib: the ldconfig trigger (CPack adds a call of
# ldconfig to postinst and postrm too, which it offers no way to leave out).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)

# /usr/share/doc/chimekit: the copyright file and the changelog, compressed
# as Debian installs it (no name or time in the gzip header).
set(chimekit_debian_doc ${PROJECT_BINARY_DIR}/debian-doc)
string(TIMESTAMP CHIMEKIT_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(MAKE_DIRECTORY ${chimekit_debian_doc}/share/doc/chimekit)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright
  ${chimekit_debian_doc}/share/doc/chimekit/copyright COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian-changelog @ONLY)
execute_process(COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/debian-changelog
  OUTPUT_FILE ${chimekit_debian_doc}/share/doc/chimekit/changelog.gz
  RESULT_VARIABLE chimekit_gzip_result)
if(NOT chimekit_gzip_result EQUAL 0)
  message(WARNING "gzip failed (${chimekit_gzip_result}): the Debian package will lack its changelog")
endif()
set(CPACK_INSTALLED_DIRECTORIES ${chimekit_debian_doc} ${CPACK_PACKAGING_INSTALL_PREFIX})

include(CPack)
set(CHIMEKIT_DEBIAN_PACKAGE ON)
