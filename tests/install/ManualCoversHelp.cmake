# Every option subplay's --help names is in its manual page: the page is written by hand, so
# an option added to subplay alone fails here.
#   cmake -DSUBPLAY=... -DMANUAL=subplay.1.gz -P ManualCoversHelp.cmake
execute_process(COMMAND ${SUBPLAY} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "subplay --help failed (${status})")
endif()
execute_process(COMMAND gzip -dc ${MANUAL} OUTPUT_VARIABLE manual RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${MANUAL}")
endif()
# Without roff's font changes (\fB...\fR) and with its minus signs (\-) as typed.
string(REGEX REPLACE "\\\\f[BIRP]" "" manual "${manual}")
string(REPLACE "\\-" "-" manual "${manual}")
string(REGEX MATCHALL "(^|[ \n,])--?[A-Za-z][A-Za-z-]*" options "${help}")
list(TRANSFORM options REPLACE "^[ \n,]" "")
list(REMOVE_DUPLICATES options)
set(missing "")
foreach(option ${options})
  if(NOT manual MATCHES "(^|[^A-Za-z-])${option}([^A-Za-z-]|$)")
    list(APPEND missing ${option})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR
    "subplay's manual page lacks ${missing}: add them to tools/subplay/subplay.1.scd")
endif()
message(STATUS "the manual page names all of ${options}")
