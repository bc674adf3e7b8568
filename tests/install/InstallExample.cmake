# Installs BUILD into a fresh prefix under WORK, builds examples/host against it with
# find_package and with pkg-config, and runs both on the sample file.
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
endfunction()

set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
run("install" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
foreach(file bin/subplay lib/tork/plugins/libTork_Logging.so.0 share/man/man1/subplay.1)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()

run("installed subplay" ${prefix}/bin/subplay --probe ${SOURCE}/examples/lighthouse.sub)

run("configure" ${CMAKE_COMMAND} -S ${SOURCE}/examples/host -B ${WORK}/package -G Ninja
  -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix})
run("build" ${CMAKE_COMMAND} --build ${WORK}/package)
expect_sample(${WORK}/package/print_entries)

set(pkg_config ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig pkg-config)
run("pkg-config" ${pkg_config} --variable=plugindir tork-microdvd)
string(STRIP "${out}" plugins)
run("pkg-config" ${pkg_config} --cflags --libs tork-microdvd)
separate_arguments(flags UNIX_COMMAND "${out}")
run("pkg-config build" ${CXX} -std=c++20 ${SOURCE}/examples/host/print_entries.cpp
  "-DPLUGIN_PATH=\"${plugins}/${PLUGIN_FILE}\"" ${flags} -o ${WORK}/print_entries)
expect_sample(${WORK}/print_entries)
