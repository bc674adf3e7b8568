# What `cmake --install` puts under the prefix, and the .deb that CPack makes of it:
#   bin/subplay, share/man/man1/subplay.1
#   lib/gstreamer-1.0/      the GStreamer element, when it was built
#   lib/tork/plugins/       the plug-in and the logging library it binds from its own folder
#   lib/                    the host kit's static libraries
#   include/tork/           the contract headers and the host kit's
#   lib/cmake/TorkMicroDVD/ find_package(TorkMicroDVD): TorkMicroDVD::host, ::logging, ::plugin
#   lib/pkgconfig/          tork-microdvd.pc
include(CMakePackageConfigHelpers)

set(TORK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TorkMicroDVD)

# The headers are found under include/tork as they are in the source tree ("host/...").
target_include_directories(tork_platform INTERFACE
  $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tork>)
set_target_properties(tork_platform PROPERTIES EXPORT_NAME platform)
set_target_properties(tork_framework PROPERTIES EXPORT_NAME framework)
set_target_properties(tork_text_base PROPERTIES EXPORT_NAME text_base)
set_target_properties(tork_host PROPERTIES EXPORT_NAME host)
set_target_properties(tork_logging PROPERTIES EXPORT_NAME logging)
set_target_properties(tork_microdvd PROPERTIES EXPORT_NAME plugin)

install(TARGETS tork_host tork_text_base tork_framework tork_platform
  EXPORT TorkMicroDVDTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Windows counts a DLL as run-time and its import library as an archive.
install(TARGETS tork_logging tork_microdvd EXPORT TorkMicroDVDTargets
  LIBRARY DESTINATION ${TORK_INSTALL_PLUGIN_DIR} RUNTIME DESTINATION ${TORK_INSTALL_PLUGIN_DIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(TARGET subplay)  # Linux only
  install(TARGETS subplay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET gsttorkmicrodvd)  # where GStreamer looks under the prefix (Debian's with /usr)
  install(TARGETS gsttorkmicrodvd LIBRARY DESTINATION ${TORK_GSTREAMER_PLUGIN_DIR})
endif()

foreach(folder framework host platform)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${folder}/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tork/${folder}
    FILES_MATCHING PATTERN "*.h" PATTERN "posix" EXCLUDE PATTERN "win32" EXCLUDE)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/logging/TorkLog.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tork/logging)

install(EXPORT TorkMicroDVDTargets NAMESPACE TorkMicroDVD:: DESTINATION ${TORK_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TorkMicroDVDConfig.cmake.in
  ${CMAKE_BINARY_DIR}/TorkMicroDVDConfig.cmake INSTALL_DESTINATION ${TORK_CMAKE_DIR}
  PATH_VARS TORK_INSTALL_PLUGIN_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TorkMicroDVDConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TorkMicroDVDConfig.cmake
  ${CMAKE_BINARY_DIR}/TorkMicroDVDConfigVersion.cmake DESTINATION ${TORK_CMAKE_DIR})

# Relative to the file itself, so that the prefix given to `cmake --install` holds.
file(RELATIVE_PATH TORK_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" TORK_PC_TO_PREFIX "${TORK_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tork-microdvd.pc.in ${CMAKE_BINARY_DIR}/tork-microdvd.pc
  @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tork-microdvd.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The manual page, made from subplay's own --help and --version when help2man is there.
find_program(HELP2MAN help2man)
if(HELP2MAN AND TARGET subplay)
  set(manual ${CMAKE_BINARY_DIR}/share/man/man1/subplay.1)
  add_custom_command(OUTPUT ${manual}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
    COMMAND ${HELP2MAN} --no-info --output=${manual}
      "--name=play or convert MicroDVD subtitles through the MicroDVD plug-in"
      $<TARGET_FILE:subplay>
    DEPENDS subplay VERBATIM)
  add_custom_target(subplay_manual ALL DEPENDS ${manual})
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tork-microdvd)
set(CPACK_PACKAGE_CONTACT "Tork developers <tork@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "MicroDVD subtitle plug-in for Tork players, its host kit and subplay")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ICU is bound at run time: without it only UTF-8 files open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libicu72")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
