# -o FILE writes one conversion there; --format with -o DIR/ converts every file into DIR
# under its own name, carries on past a file that fails and ends with status 1.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${SUBPLAY} --format srt -o ${WORK}/one.srt examples/lighthouse.sub
  WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE status OUTPUT_VARIABLE out)
file(READ ${WORK}/one.srt written)
file(READ ${GOLDEN}/srt.out expected)
if(NOT status EQUAL 0 OR NOT out STREQUAL "" OR NOT written STREQUAL expected)
  message(FATAL_ERROR "-o FILE: status ${status}, output '${out}', file:\n${written}")
endif()

execute_process(COMMAND ${SUBPLAY} --format srt -o ${WORK}/all/ examples/lighthouse.sub
    tests/subplay/samples/missing.sub tests/subplay/samples/no-rate.sub
  WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE status ERROR_VARIABLE err)
file(READ ${WORK}/all/lighthouse.srt first)
if(NOT status EQUAL 1 OR NOT first STREQUAL expected OR NOT EXISTS ${WORK}/all/no-rate.srt
   OR EXISTS ${WORK}/all/missing.srt
   OR NOT err MATCHES "missing.sub: cannot open: no such file")
  message(FATAL_ERROR "-o DIR/: status ${status}, errors:\n${err}")
endif()
