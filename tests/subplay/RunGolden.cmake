# Runs subplay once and compares what it did with the golden files.
#   SUBPLAY  the program        ARGS     its arguments, separated by "|"
#   WORKDIR  where it runs      GOLDEN   golden files without extension: .out is standard
#   EXIT     expected status             output; .err, when present, standard error (else
#   STDERR_REGEX  (optional) a pattern standard error must match instead  none is expected)
#   STDOUT_REGEX  (optional) a pattern standard output must match instead of .out
#   STDIN    (optional) a file to read as standard input, else an empty one
# With SUBPLAY_UPDATE_GOLDEN set in the environment, the golden files are rewritten.
string(REPLACE "|" ";" arguments "${ARGS}")
if(NOT STDIN)
  set(STDIN /dev/null)
endif()
execute_process(COMMAND "${SUBPLAY}" ${arguments}
  WORKING_DIRECTORY "${WORKDIR}" INPUT_FILE "${STDIN}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)

if(DEFINED ENV{SUBPLAY_UPDATE_GOLDEN} AND NOT STDOUT_REGEX)
  file(WRITE "${GOLDEN}.out" "${out}")
  if(err AND NOT STDERR_REGEX)
    file(WRITE "${GOLDEN}.err" "${err}")
  else()
    file(REMOVE "${GOLDEN}.err")
  endif()
  return()
endif()

set(failures "")
if(NOT status STREQUAL EXIT)
  string(APPEND failures "exit status ${status}, expected ${EXIT}\n")
endif()
if(STDOUT_REGEX)
  if(NOT out MATCHES "${STDOUT_REGEX}")
    string(APPEND failures "standard output does not match ${STDOUT_REGEX}:\n${out}\n")
  endif()
else()
  file(READ "${GOLDEN}.out" expected)
  if(NOT out STREQUAL expected)
    string(APPEND failures "standard output differs from ${GOLDEN}.out:\n${out}\n")
  endif()
endif()
if(STDERR_REGEX)
  if(NOT err MATCHES "${STDERR_REGEX}")
    string(APPEND failures "standard error does not match ${STDERR_REGEX}:\n${err}\n")
  endif()
else()
  set(expected "")
  if(EXISTS "${GOLDEN}.err")
    file(READ "${GOLDEN}.err" expected)
  endif()
  if(NOT err STREQUAL expected)
    string(APPEND failures "standard error differs from ${GOLDEN}.err:\n${err}\n")
  endif()
endif()
if(failures)
  message(FATAL_ERROR "subplay ${arguments}\n${failures}")
endif()
