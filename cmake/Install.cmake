# What `cmake --install` puts under the prefix, and the two .deb files CPack makes of it
# (`cpack` in the build folder; prefix /usr):
#   tork-microdvd:
#     bin/subplay, share/man/man1/subplay.1.gz
#     lib/tork/plugins/       the plug-in and the logging library it binds from its own folder
#     GStreamer's plug-in folder under the prefix (Debian's lib/x86_64-linux-gnu/gstreamer-1.0/):
#                             the GStreamer element, when it was built
#   tork-microdvd-vlc, when the VLC module was built:
#     VLC's plug-in folder under the prefix (Debian's lib/x86_64-linux-gnu/vlc/plugins), demux/
#   tork-microdvd-dev:
#     lib/                    the host kit's static libraries
#     include/tork/           the contract headers and the host kit's: <tork/host/...>
#     lib/cmake/TorkMicroDVD/ find_package(TorkMicroDVD): TorkMicroDVD::host, ::logging, ::plugin
#     lib/pkgconfig/          tork-microdvd.pc
#   and each its share/doc/PACKAGE/copyright and changelog.Debian.gz.
include(CMakePackageConfigHelpers)

set(TORK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TorkMicroDVD)

# Installed, the headers are <tork/host/...>, <tork/framework/...>; a host needs C++20 for them.
target_include_directories(tork_platform INTERFACE
  $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(tork_platform INTERFACE cxx_std_20)
set_target_properties(tork_platform PROPERTIES EXPORT_NAME platform)
set_target_properties(tork_framework PROPERTIES EXPORT_NAME framework)
set_target_properties(tork_text_base PROPERTIES EXPORT_NAME text_base)
set_target_properties(tork_scan PROPERTIES EXPORT_NAME scan)
set_target_properties(tork_host PROPERTIES EXPORT_NAME host)
set_target_properties(tork_logging PROPERTIES EXPORT_NAME logging)
set_target_properties(tork_microdvd PROPERTIES EXPORT_NAME plugin)

# Two packages: the run-time one (what players and users need) and -dev (what host
# developers build with).
install(TARGETS tork_host tork_text_base tork_scan tork_framework tork_platform
  EXPORT TorkMicroDVDTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
# Windows counts a DLL as run-time and its import library as an archive. The plug-in binds
# the logging library by its plain name, so that link belongs to the run-time package too.
install(TARGETS tork_logging tork_microdvd EXPORT TorkMicroDVDTargets
  LIBRARY DESTINATION ${TORK_INSTALL_PLUGIN_DIR} COMPONENT runtime
  RUNTIME DESTINATION ${TORK_INSTALL_PLUGIN_DIR} COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
if(TARGET subplay)  # Linux only
  install(TARGETS subplay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endif()
# A stripped package strips the static libraries of their debug information only: stripped
# whole they could not be linked.
string(CONFIGURE [[
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB archives "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_LIBDIR@/libtork_*.a")
    foreach(archive ${archives})
      execute_process(COMMAND "@CMAKE_STRIP@" --strip-debug --remove-section=.comment
        --enable-deterministic-archives "${archive}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
]] strip_archives @ONLY)
install(CODE "${strip_archives}" COMPONENT dev)

if(TARGET gsttorkmicrodvd)  # where GStreamer looks when the prefix is its own
  install(TARGETS gsttorkmicrodvd LIBRARY DESTINATION ${TORK_GSTREAMER_PLUGIN_DIR}
    COMPONENT runtime)
endif()

# VLC's module has a package of its own, as Debian's VLC plug-ins do: it needs VLC's core,
# which no other Tork host should have to install. Debian's libvlc-bin watches VLC's plug-in
# folder with a dpkg trigger and remakes VLC's plug-in cache whenever a package adds or
# removes a file there, so the package needs no maintainer scripts of its own.
set(tork_components runtime dev)
if(TARGET torkmicrodvd_plugin)
  install(TARGETS torkmicrodvd_plugin LIBRARY DESTINATION ${TORK_VLC_PLUGIN_DIR} COMPONENT vlc)
  list(APPEND tork_components vlc)
endif()

# The headers a host builds with, named one by one so that a new header stays ours until it
# is meant for hosts: the kit, the contract types its sessions hand out (with the two system
# headers those include), what the plug-in's texts may hold, the reading report and the
# logging library's entry points. The plug-in's own guards and bindings, and subplay's
# terminal and file calls, are not among them.
# As installed, their own includes turned into <tork/...> ones, they are made in include/tork/
# of the build tree.
set(headers
  host/ContainerSession.h host/HostSettings.h host/ManualClock.h host/Markup.h
  host/OpenReport.h host/PluginLibrary.h host/RecordingPluginHost.h host/SettingsContext.h
  host/SubtitleFormat.h host/UrlLocation.h
  framework/ContainerContext.h framework/ContainerInterface.h framework/InterfaceId.h
  framework/List.h framework/Location.h framework/MediaBuffer.h framework/MediaClock.h
  framework/Plugin.h framework/PluginHost.h framework/Properties.h framework/ResultCode.h
  framework/Setting.h framework/StandardAllocator.h framework/StreamFormat.h
  framework/StreamInterface.h framework/String.h
  framework/ReadingReport.h microdvd/OverlayText.h
  platform/DynamicLibrary.h platform/RecursiveMutex.h
  logging/TorkLog.h)
set(installed_headers "")
foreach(header ${headers})
  set(installed ${CMAKE_BINARY_DIR}/include/tork/${header})
  add_custom_command(OUTPUT ${installed}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/${header} -DOUTPUT=${installed}
      -P ${CMAKE_CURRENT_LIST_DIR}/InstalledHeader.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/${header} ${CMAKE_CURRENT_LIST_DIR}/InstalledHeader.cmake)
  list(APPEND installed_headers ${installed})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${installed} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tork/${folder}
    COMPONENT dev)
endforeach()
add_custom_target(tork_installed_headers ALL DEPENDS ${installed_headers})

install(EXPORT TorkMicroDVDTargets NAMESPACE TorkMicroDVD:: DESTINATION ${TORK_CMAKE_DIR}
  COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TorkMicroDVDConfig.cmake.in
  ${CMAKE_BINARY_DIR}/TorkMicroDVDConfig.cmake INSTALL_DESTINATION ${TORK_CMAKE_DIR}
  PATH_VARS TORK_INSTALL_PLUGIN_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TorkMicroDVDConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TorkMicroDVDConfig.cmake
  ${CMAKE_BINARY_DIR}/TorkMicroDVDConfigVersion.cmake DESTINATION ${TORK_CMAKE_DIR}
  COMPONENT dev)

# Relative to the file itself, so that the prefix given to `cmake --install` holds.
file(RELATIVE_PATH TORK_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" TORK_PC_TO_PREFIX "${TORK_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tork-microdvd.pc.in ${CMAKE_BINARY_DIR}/tork-microdvd.pc
  @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tork-microdvd.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The manual page, from its source beside subplay's; and each package's copyright and
# changelog. Compressed as Debian wants them, with no time stamp so that builds are alike.
find_program(SCDOC scdoc)
find_program(GZIP gzip REQUIRED)
if(TARGET subplay)
  if(SCDOC)
    configure_file(${CMAKE_SOURCE_DIR}/tools/subplay/subplay.1.scd ${CMAKE_BINARY_DIR}/subplay.1.scd
      @ONLY)
    set(manual ${CMAKE_BINARY_DIR}/share/man/man1/subplay.1)
    # Two steps, so that a failing scdoc fails the build.
    add_custom_command(OUTPUT ${manual}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
      COMMAND sh -c "\"$1\" < \"$2\" > \"$3\"" sh ${SCDOC} ${CMAKE_BINARY_DIR}/subplay.1.scd
        ${manual}
      COMMAND ${GZIP} -9nf ${manual}
      DEPENDS ${CMAKE_BINARY_DIR}/subplay.1.scd VERBATIM)
    add_custom_target(subplay_manual ALL DEPENDS ${manual}.gz)
    install(FILES ${manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
  else()
    message(WARNING "scdoc not found: subplay's manual page is not made")
  endif()
endif()

set(TORK_PACKAGE tork-microdvd)
set(TORK_PACKAGE_REVISION 1)
set(TORK_MAINTAINER "Tork MicroDVD developers <tork-microdvd@lists.orvel.org>")
configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog ${CMAKE_BINARY_DIR}/deb/changelog.Debian
  @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/deb/changelog.Debian.gz
  COMMAND ${GZIP} -9nkf ${CMAKE_BINARY_DIR}/deb/changelog.Debian
  DEPENDS ${CMAKE_BINARY_DIR}/deb/changelog.Debian VERBATIM)
add_custom_target(tork_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/deb/changelog.Debian.gz)
foreach(component ${tork_components})
  set(name ${TORK_PACKAGE})
  if(NOT component STREQUAL "runtime")
    set(name ${TORK_PACKAGE}-${component})
  endif()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/copyright ${CMAKE_BINARY_DIR}/deb/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${name} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TORK_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Tork MicroDVD developers")
set(CPACK_PACKAGE_CONTACT ${TORK_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TORK_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${tork_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TORK_PACKAGE_REVISION})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${TORK_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION video)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# ICU is bound at run time: without it only UTF-8 files open.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "libicu72")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION [[MicroDVD subtitle plug-in for Tork players
A plug-in that Tork media players load at run time to read subtitle files in
the MicroDVD format ({start frame}{end frame}text lines): it settles each
file's character encoding, converts it to UTF-8 and serves its timed, styled
entries as one overlay text stream. Files from the internet read leniently
when the player asks for it.

This package also holds the logging library that players configure, and
subplay, a command-line player that shows MicroDVD subtitles in real time or
converts them to SubRip, WebVTT, JSON or text through the plug-in.]])

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${TORK_PACKAGE}-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The kit's headers use Boost's; the CMake package and pkg-config file name the plug-in's
# folder, so the run-time package of the same version must be there.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "${TORK_PACKAGE} (= ${PROJECT_VERSION}-${TORK_PACKAGE_REVISION}), libboost-dev (>= 1.74)")
set(CPACK_DEBIAN_DEV_DESCRIPTION [[host kit for the Tork MicroDVD subtitle plug-in
The headers of the Tork plug-in contract and of the host kit, the kit's static
libraries, a CMake package (find_package(TorkMicroDVD)) and a pkg-config file
(tork-microdvd), for building players that load the MicroDVD subtitle plug-in.

The kit loads the plug-in, answers its settings, drives one container through
its life and reads the subtitle stream as owned entries.]])

set(CPACK_DEBIAN_VLC_PACKAGE_NAME ${TORK_PACKAGE}-vlc)
set(CPACK_DEBIAN_VLC_PACKAGE_SECTION video)
set(CPACK_DEBIAN_VLC_PACKAGE_SHLIBDEPS ON)
# The module loads the plug-in of the same version from its folder.
set(CPACK_DEBIAN_VLC_PACKAGE_DEPENDS
  "${TORK_PACKAGE} (= ${PROJECT_VERSION}-${TORK_PACKAGE_REVISION})")
set(CPACK_DEBIAN_VLC_PACKAGE_ENHANCES "vlc")
set(CPACK_DEBIAN_VLC_DESCRIPTION [[MicroDVD subtitles in VLC through the Tork plug-in
A VLC 3.0 module that reads MicroDVD subtitle files ({start frame}{end frame}
text lines) through the Tork MicroDVD plug-in whenever VLC opens a subtitle
file: found beside the film, given with --sub-file or added from the menu. It
detects the encoding of files in legacy code pages, takes a rate line only when
it is one, and draws the formatting codes. Other subtitle formats stay with
VLC's own reader.]])
include(CPack)
