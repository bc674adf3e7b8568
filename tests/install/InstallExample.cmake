# The installed tree as a host developer gets it, twice: `cmake --install` into a fresh prefix
# under WORK, and the contents of the two Debian packages that CPack makes (checked by lintian
# when it is there). Against each, examples/host is built from scratch with find_package and
# with pkg-config, and run on the sample file; and each installed header is compiled alone.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect_sample program)
  run("${program}" ${program} ${SOURCE}/examples/lighthouse.sub 25)
  file(READ ${EXPECTED} expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "${program} printed:\n${out}\nexpected:\n${expected}")
  endif()
  # The project's own file from the wild: a header line, windows-1250.
  run("${program} on the Polish sample" ${program} ${SOURCE}/examples/latarnia-pl-1250.sub)
  if(NOT out MATCHES "2000 ms \\+3000 ms: Latarnia zgasła")
    message(FATAL_ERROR "${program} printed for the Polish sample:\n${out}")
  endif()
endfunction()

# Builds and runs examples/host against the tree at PREFIX, into WORK/NAME-*.
function(build_host name prefix)
  foreach(file bin/subplay lib/tork/plugins/libTork_Logging.so.0 share/man/man1/subplay.1.gz
      include/tork/host/ContainerSession.h lib/pkgconfig/tork-microdvd.pc)
    if(NOT EXISTS ${prefix}/${file})
      message(FATAL_ERROR "${file} is not in ${prefix}")
    endif()
  endforeach()
  run("installed subplay" ${prefix}/bin/subplay --probe ${SOURCE}/examples/lighthouse.sub)
  run("gzip" gzip -dc ${prefix}/share/man/man1/subplay.1.gz)
  foreach(section "OPTIONS" "EXIT STATUS" "ENVIRONMENT" "FILES" "EXAMPLES")
    if(NOT out MATCHES "\n\\.SH \"?${section}\"?\n")
      message(FATAL_ERROR "the manual page has no ${section} section")
    endif()
  endforeach()
  foreach(tree ${BUILD} ${SOURCE})
    string(FIND "${out}" "${tree}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "the manual page names ${tree}")
    endif()
  endforeach()

  run("configure" ${CMAKE_COMMAND} -S ${SOURCE}/examples/host -B ${WORK}/${name}-package
    -G Ninja -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix})
  run("build" ${CMAKE_COMMAND} --build ${WORK}/${name}-package)
  expect_sample(${WORK}/${name}-package/print_entries)

  # Only what the .pc file says: no -std, no include folder, no library of our own.
  set(pkg_config ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig pkg-config)
  run("pkg-config" ${pkg_config} --variable=plugindir tork-microdvd)
  string(STRIP "${out}" plugins)
  run("pkg-config" ${pkg_config} --cflags --libs tork-microdvd)
  separate_arguments(flags UNIX_COMMAND "${out}")
  run("pkg-config build" ${CXX} ${SOURCE}/examples/host/print_entries.cpp
    "-DPLUGIN_PATH=\"${plugins}/${PLUGIN_FILE}\"" ${flags} -o ${WORK}/${name}-print_entries)
  expect_sample(${WORK}/${name}-print_entries)

  # Headers are installed by a list: each must compile alone with the .pc's flags, so that
  # none includes one that was left out.
  file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/*.h)
  foreach(header ${headers})
    file(WRITE ${WORK}/${name}-header.cpp "#include <${header}>\n")
    run("<${header}> alone" ${CXX} -fsyntax-only ${flags} ${WORK}/${name}-header.cpp)
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK})
run("install" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
build_host(installed ${WORK}/prefix)

run("cpack" ${CPACK} --config ${BUILD}/CPackConfig.cmake -B ${WORK}/packages)
file(GLOB packages ${WORK}/packages/*.deb)
list(LENGTH packages count)
# The VLC module, when it was built, has a package of its own.
set(expected 2)
if(VLC_PLUGIN_DIR)
  set(expected 3)
endif()
if(NOT count EQUAL expected)
  message(FATAL_ERROR "cpack made ${count} packages, not ${expected}: ${packages}")
endif()
foreach(package ${packages})
  run("dpkg-deb" dpkg-deb --extract ${package} ${WORK}/root)
endforeach()
build_host(deb ${WORK}/root/usr)
if(VLC_PLUGIN_DIR AND NOT EXISTS ${WORK}/root/usr/${VLC_PLUGIN_DIR}/libtorkmicrodvd_plugin.so)
  message(FATAL_ERROR "the VLC module is not in ${VLC_PLUGIN_DIR} of its package")
endif()

# Static libraries keep their symbols but lose their debug information.
file(GLOB archives ${WORK}/root/usr/lib/libtork_*.a)
if(NOT archives)
  message(FATAL_ERROR "no static library in the -dev package")
endif()
foreach(archive ${archives})
  run("objdump" objdump --section-headers ${archive})
  if(out MATCHES "\\.debug_")
    message(FATAL_ERROR "${archive} is packaged with its debug information")
  endif()
endforeach()

find_program(LINTIAN lintian)
if(LINTIAN)
  # Errors fail; warnings are shown in the test's output.
  run("lintian" ${LINTIAN} --fail-on error --tag-display-limit 0 ${packages})
  message(STATUS "lintian:\n${out}")
else()
  message(STATUS "lintian not installed: the packages were not checked")
endif()
