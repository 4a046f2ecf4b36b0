# quil_add_test(NAME <name> LABEL <unit|render|e2e> SOURCES ... LIBS ... [WORKDIR dir])
# One GoogleTest program, registered with CTest as a single test carrying the label.
# "unit" tests also run in the sanitizer build; render and end-to-end tests need a GL device.
function(quil_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL;WORKDIR" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(QUIL_UNIT_ONLY AND NOT T_LABEL STREQUAL "unit")
    return()
  endif()
  if(NOT T_WORKDIR)
    set(T_WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${T_NAME} PRIVATE QUIL_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
                                               QUIL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=0 WORKING_DIRECTORY ${T_WORKDIR})
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL} TIMEOUT 900)
endfunction()

# quil_add_fuzz(NAME <name> SOURCES ... LIBS ... CORPUS <dir>)
# The fuzz target of one reader (LLVMFuzzerTestOneInput). With -DQUIL_FUZZ=ON
# (clang) it is a libFuzzer program; otherwise a plain program that replays its
# committed corpus once, registered as a unit test, so the normal and the
# sanitizer builds run every corpus.
function(quil_add_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  if(QUIL_FUZZ)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    add_test(NAME ${F_NAME}_replay COMMAND ${F_NAME} ${CMAKE_CURRENT_SOURCE_DIR}/${F_CORPUS})
    set_tests_properties(${F_NAME}_replay PROPERTIES LABELS unit TIMEOUT 300)
  endif()
endfunction()
