# Install rules: the shared libraries (chimekit, Reshaper and the jobs
# library chimekit_jobs), their headers and the tool; a CMake package, so
# that find_package(chimekit) gives the targets chimekit::chimekit,
# chimekit::Reshaper and chimekit::chimekit_jobs; and the pkg-config files
# chimekit.pc and reshaper.pc. Both packages are relocatable: they find the
# installed tree from their own place in it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(CHIMEKIT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/chimekit)

foreach(library chimekit Reshaper chimekit_jobs)
  target_include_directories(${library} INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()

install(TARGETS chimekit Reshaper chimekit_jobs EXPORT chimekitTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS chimekit_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/chimekit.h ${PROJECT_SOURCE_DIR}/include/reshaper.h
  ${PROJECT_SOURCE_DIR}/include/chimekit_jobs.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT chimekitTargets NAMESPACE chimekit:: DESTINATION ${CHIMEKIT_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/chimekitConfig.cmake.in
  ${PROJECT_BINARY_DIR}/chimekitConfig.cmake INSTALL_DESTINATION ${CHIMEKIT_CMAKE_DIR})
# The C interface may still change before 1.0: a 0.x release accepts only
# its own minor version.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/chimekitConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/chimekitConfig.cmake ${PROJECT_BINARY_DIR}/chimekitConfigVersion.cmake
  DESTINATION ${CHIMEKIT_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own folder.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR must be relative to the prefix for the relocatable .pc files")
endif()
file(RELATIVE_PATH CHIMEKIT_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" CHIMEKIT_PC_TO_PREFIX "${CHIMEKIT_PC_TO_PREFIX}")
foreach(package chimekit reshaper)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${package}.pc.in ${PROJECT_BINARY_DIR}/${package}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${package}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
