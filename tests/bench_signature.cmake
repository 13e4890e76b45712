# Runs velmorasca-bench at its depth (5) and fails unless it ends cleanly
# with the search's signature. Called by ctest:
#   cmake -DBENCH=<path to velmorasca-bench> -DEXPECTED=<count> -P bench_signature.cmake
execute_process(COMMAND ${BENCH} 5 RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "velmorasca-bench exited with ${status}")
endif()
if(NOT out MATCHES "Positions analysed: ${EXPECTED},")
  message(FATAL_ERROR "velmorasca-bench did not print Positions analysed: ${EXPECTED}")
endif()
