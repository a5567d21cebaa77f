# mirval_add_test(NAME SOURCES <files> [LIBS <targets>] [LABELS <labels>] [TIMEOUT <seconds>] [LONG])
# One Qt Test executable per test file, registered with CTest, run headless,
# with runtime, configuration and data directories of its own (no developer's
# settings reach a test). LONG tests start first: on a clean checkout ctest
# has no timings of its own, and a long test started last holds the run up.
function(mirval_add_test name)
  cmake_parse_arguments(T "LONG" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(cost 1)
  if(T_LONG)
    set(cost 100)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    COST ${cost}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-runtime/${name};XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config/${name};XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data/${name}")
endfunction()
