# Runs varno-batch with ARGS (separated by "|") and compares its standard
# output byte for byte with the file GOLDEN.
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND "${BATCH}" ${args} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "varno-batch ${args} failed (${rc}): ${err}")
endif()
file(READ "${GOLDEN}" expected)
if(NOT out STREQUAL expected)
  get_filename_component(name "${GOLDEN}" NAME)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/${name}.actual" "${out}")
  message(FATAL_ERROR "Output of varno-batch ${args} differs from ${GOLDEN}; "
                      "written to ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual")
endif()
