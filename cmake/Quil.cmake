include(GoogleTest)

# quil_add_test(NAME <name> LABEL <unit|render|e2e> SOURCES ... LIBS ... [XVFB])
# One GoogleTest program whose cases CTest runs one by one, carrying the label, each
# in a scratch working folder of its own (cases run in parallel).
# "unit" tests also run in the sanitizer build; render and end-to-end tests need a GL device.
# XVFB marks programs that start an X server and the real program in it: CTest
# runs them one at a time.
function(quil_add_test)
  cmake_parse_arguments(T "XVFB" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(QUIL_UNIT_ONLY AND NOT T_LABEL STREQUAL "unit")
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  # The emulator prefixes every test command (policy CMP0158 stays OLD at our minimum version).
  set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/run_in_scratch.sh)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_compile_definitions(${T_NAME} PRIVATE QUIL_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
                                               QUIL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set(props LABELS ${T_LABEL} TIMEOUT 900)
  if(T_XVFB)
    # Labelled "desktop" instead: the test command runs these again against the
    # Release program.
    set(props LABELS desktop TIMEOUT 900 RESOURCE_LOCK xvfb)
  endif()
  gtest_discover_tests(${T_NAME} TEST_PREFIX "${T_NAME}." DISCOVERY_TIMEOUT 60
                       PROPERTIES ${props})
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
