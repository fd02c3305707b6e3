# Installs the libraries named in CORVALIDYNE_PACKAGE_TARGETS, their public
# headers in include/corvalidyne (included as <corvalidyne/registry.h>, with
# include/ the folder users get), and the CMake package CorvalidyneRegistry,
# which exports them as Corvalidyne::<export name>.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(package CorvalidyneRegistry)
set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${package})

install(TARGETS ${CORVALIDYNE_PACKAGE_TARGETS} EXPORT ${package}Targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ${package}Targets NAMESPACE Corvalidyne:: DESTINATION ${package_dir})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/${package}Config.cmake.in
  ${PROJECT_BINARY_DIR}/${package}Config.cmake
  INSTALL_DESTINATION ${package_dir})
# Also refuses a package built for the other pointer width.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/${package}ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/${package}Config.cmake ${PROJECT_BINARY_DIR}/${package}ConfigVersion.cmake
  DESTINATION ${package_dir})
