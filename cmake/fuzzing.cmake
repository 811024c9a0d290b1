# project_add_fuzzer(name SOURCES ... LIBS ... [CORPUS dir ...])
# A libFuzzer target; CTest runs it for FUZZ_SECONDS (default 20) from a copy
# of its seed corpus and fails on any finding. Does nothing outside FUZZ.
function(project_add_fuzzer name)
  if(NOT FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;CORPUS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${name}
    COMMAND ${CMAKE_SOURCE_DIR}/fuzz/run-fuzzer $<TARGET_FILE:${name}>
            ${CMAKE_CURRENT_BINARY_DIR}/${name}-work ${F_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 1800)
endfunction()
