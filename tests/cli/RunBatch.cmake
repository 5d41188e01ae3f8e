# Runs varno-batch once and checks its exit code, its whole stdout against a
# golden file (when given) and its stderr against a pattern (when given).
#   -DEXE=... -DWORKDIR=... -DARGS=a|b|c -DEXIT=0 [-DGOLDEN=file] [-DSTDOUT_REGEX=...]
#   [-DSTDERR_REGEX=...]
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${EXE} ${args}
  WORKING_DIRECTORY ${WORKDIR}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL EXIT)
  message(FATAL_ERROR "exit code ${code}, expected ${EXIT}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(DEFINED GOLDEN)
  file(READ ${GOLDEN} expected)
  if(NOT out STREQUAL expected)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/actual-output.txt "${out}")
    message(FATAL_ERROR "stdout differs from ${GOLDEN}\n--- expected\n${expected}--- actual\n${out}"
      "--- (written to ${CMAKE_CURRENT_BINARY_DIR}/actual-output.txt)")
  endif()
elseif(DEFINED STDOUT_REGEX)
  if(NOT out MATCHES "${STDOUT_REGEX}")
    message(FATAL_ERROR "stdout does not match '${STDOUT_REGEX}':\n${out}")
  endif()
elseif(NOT EXIT STREQUAL "0" AND NOT out STREQUAL "")
  message(FATAL_ERROR "a failed command printed to stdout:\n${out}")
endif()
if(DEFINED STDERR_REGEX AND NOT err MATCHES "${STDERR_REGEX}")
  message(FATAL_ERROR "stderr does not match '${STDERR_REGEX}':\n${err}")
endif()
