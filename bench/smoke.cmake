# One benchmark program run once, briefly, as a smoke test: cmake -DBENCH=<program> -P smoke.cmake
# No timing is asserted. It fails when the program exits badly or when a
# benchmark stopped with an error (the game did not start, a run directory
# was missing, ...), which Google Benchmark reports with exit status 0; a
# kernel this CPU lacks ("... on this CPU") is a skip, not a failure.
if(NOT BENCH)
  message(FATAL_ERROR "usage: cmake -DBENCH=<benchmark program> -P smoke.cmake")
endif()
execute_process(COMMAND ${BENCH} --benchmark_min_time=0.001
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${BENCH} exited with ${result}")
endif()
string(REGEX MATCHALL "[^\n]*ERROR OCCURRED[^\n]*" stopped "${out}${err}")
foreach(line IN LISTS stopped)
  if(NOT line MATCHES "on this CPU'")
    message(FATAL_ERROR "a benchmark stopped with an error: ${line}")
  endif()
endforeach()
