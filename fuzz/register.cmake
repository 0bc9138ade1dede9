# Included by the main build: builds the fuzz project with clang as an
# external sub-build (always re-run, so edited sources are rebuilt) and
# registers one bounded ctest run per fuzz target listed in targets.cmake.
set(TAVRIX_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TAVRIX_FUZZ_BUILD ${CMAKE_BINARY_DIR}/fuzz)

find_program(TAVRIX_CLANGXX NAMES clang++ clang++-14)
if(NOT TAVRIX_CLANGXX)
  message(WARNING "clang++ not found: the fuzz targets are neither built nor run")
  return()
endif()

include(ExternalProject)
ExternalProject_Add(tavrix_fuzzers
  SOURCE_DIR ${TAVRIX_FUZZ_DIR}
  BINARY_DIR ${TAVRIX_FUZZ_BUILD}
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TAVRIX_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)

function(tavrix_fuzz_target name seconds)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND}
      -DFUZZER=${TAVRIX_FUZZ_BUILD}/${name}
      -DSECONDS=${seconds}
      -DSEED_CORPUS=${TAVRIX_FUZZ_DIR}/corpus/${name}
      -DSCRATCH=${CMAKE_BINARY_DIR}/fuzz-runs/${name}
      -P ${TAVRIX_FUZZ_DIR}/run_fuzzer.cmake)
  math(EXPR limit "${seconds} + 120")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${limit} LABELS fuzz)
endfunction()

include(${TAVRIX_FUZZ_DIR}/targets.cmake)
