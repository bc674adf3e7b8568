# tork_exports(TARGET SYMBOL...): the shared library TARGET exports these C functions and
# nothing else, not even the C++ library's symbols: through a version script on Linux, a
# module-definition file on Windows, where a test checks the result.
function(tork_exports target)
  if(WIN32)
    list(JOIN ARGN "\n  " symbols)
    set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
    file(CONFIGURE OUTPUT ${file} CONTENT "EXPORTS\n  ${symbols}\n")
    target_sources(${target} PRIVATE ${file})
    # Checked as a host sees the DLL: these names undecorated, and no compiler runtime to
    # ship beside it.
    list(JOIN ARGN "," exports)
    add_test(NAME exports.${target} COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
      -DDLL=$<TARGET_FILE:${target}> -DEXPORTS=${exports}
      -DALLOWED=KERNEL32.dll,msvcrt.dll,SHLWAPI.dll
      -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckDll.cmake)
    # What those tests need, built alone where Wine is missing to run the rest.
    if(NOT TARGET checked_dlls)
      add_custom_target(checked_dlls)
    endif()
    add_dependencies(checked_dlls ${target})
  else()
    list(JOIN ARGN "; " symbols)
    set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    file(CONFIGURE OUTPUT ${file} CONTENT "{\n  global: ${symbols};\n  local: *;\n};\n")
    target_link_options(${target} PRIVATE -Wl,--version-script=${file})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${file})
    # Everything resolved at link time, but for what the sanitizers' runtime supplies.
    if(NOT TORK_SANITIZE)
      target_link_options(${target} PRIVATE -Wl,-z,defs)
    endif()
  endif()
endfunction()
