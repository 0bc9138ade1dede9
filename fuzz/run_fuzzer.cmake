# Runs one fuzz target for a bounded time on a scratch copy of its seed
# corpus, so that the inputs it discovers never land in the source tree.
# A crash, a sanitizer finding, a leak or a slow input makes the target exit
# non-zero, and with it this script and the ctest test. Either way it prints
# one line with the executions and the time the target ran.
foreach(required FUZZER SECONDS SEED_CORPUS SCRATCH)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "run_fuzzer.cmake needs -D${required}=...")
  endif()
endforeach()
if(NOT EXISTS ${FUZZER})
  message(FATAL_ERROR "${FUZZER} was not built; build the tavrix_fuzzers target")
endif()

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/corpus ${SCRATCH}/artifacts)
if(EXISTS ${SEED_CORPUS})
  file(COPY ${SEED_CORPUS}/ DESTINATION ${SCRATCH}/corpus)
endif()

string(TIMESTAMP started "%s")
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          -artifact_prefix=${SCRATCH}/artifacts/ ${SCRATCH}/corpus
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
string(TIMESTAMP ended "%s")
file(WRITE ${SCRATCH}/fuzzer.log "${output}")

math(EXPR elapsed "${ended} - ${started}")
set(executions "?")
if(output MATCHES "stat::number_of_executed_units: ([0-9]+)")
  set(executions ${CMAKE_MATCH_1})
endif()
file(GLOB corpus_files ${SCRATCH}/corpus/*)
list(LENGTH corpus_files corpus_size)
get_filename_component(name ${FUZZER} NAME)
message("${name}: ${executions} executions in ${elapsed} s, corpus ${corpus_size} inputs")

if(NOT status EQUAL 0)
  message("${output}")
  message(FATAL_ERROR "${FUZZER} failed (${status}); reproducers are in ${SCRATCH}/artifacts, log in ${SCRATCH}/fuzzer.log")
endif()
