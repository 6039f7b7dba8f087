# Target helpers shared by every folder: warnings, sanitizers and the module layout.

if(TIDEWICK_FUZZ)
  # Fuzz builds instrument the whole core for coverage; the fuzz targets add the libFuzzer main.
  set(TIDEWICK_SANITIZE_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
elseif(TIDEWICK_SANITIZE)
  set(TIDEWICK_SANITIZE_FLAGS -fsanitize=${TIDEWICK_SANITIZE} -fno-omit-frame-pointer)
  if(TIDEWICK_SANITIZE MATCHES "undefined")
    list(APPEND TIDEWICK_SANITIZE_FLAGS -fno-sanitize-recover=undefined)
  endif()
endif()

function(tidewick_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(TIDEWICK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(TIDEWICK_SANITIZE_FLAGS)
    target_compile_options(${target} PRIVATE ${TIDEWICK_SANITIZE_FLAGS})
    target_link_options(${target} PRIVATE ${TIDEWICK_SANITIZE_FLAGS})
  endif()
endfunction()

# Precompiled headers for the targets that include gtest or Qt Widgets in most of their files: parsing those is half
# the cost of such a file. Off by default, because a precompiled header hides a missing include; the test script,
# whose build folders only run the tests, turns it on.
function(tidewick_precompile target)
  if(TIDEWICK_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# One static library per core folder: src/<name>/*.cpp, headers included as "<name>/file.h".
# A folder below a room (ui/rules) becomes tidewick_ui_rules.
function(tidewick_core_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;LIBRARIES" ${ARGN})
  string(REPLACE "/" "_" id ${name})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    set(sources ${PROJECT_SOURCE_DIR}/cmake/empty_module.cpp)
  endif()
  add_library(tidewick_${id} STATIC ${sources})
  target_include_directories(tidewick_${id} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  foreach(dep IN LISTS ARG_DEPENDS)
    string(REPLACE "/" "_" dep ${dep})
    target_link_libraries(tidewick_${id} PUBLIC tidewick_${dep})
  endforeach()
  if(ARG_LIBRARIES)
    target_link_libraries(tidewick_${id} PUBLIC ${ARG_LIBRARIES})
  endif()
  tidewick_target_defaults(tidewick_${id})
endfunction()

# One GoogleTest executable per test folder: tests/<name>/*_test.cpp.
function(tidewick_core_tests name)
  cmake_parse_arguments(ARG "" "LABEL" "DEPENDS" ${ARGN})
  string(REPLACE "/" "_" id ${name})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${id} ${sources})
  target_link_libraries(test_${id} PRIVATE tidewick_test_support GTest::gtest_main GTest::gmock)
  foreach(dep IN LISTS ARG_DEPENDS)
    string(REPLACE "/" "_" dep ${dep})
    target_link_libraries(test_${id} PRIVATE tidewick_${dep})
  endforeach()
  tidewick_target_defaults(test_${id})
  tidewick_precompile(test_${id} <gtest/gtest.h> <filesystem> <string> <vector>)
  # With the precompiled header, GCC 12 at -O2 takes string sums in the tests' table rows for out-of-bounds copies
  # (known false positives of that version's memcpy checks); the product code keeps these warnings.
  if(TIDEWICK_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(test_${id} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread
                                                -Wno-restrict)
  elseif(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # At -O3 (the Release build) GCC 12 takes even a plain string assignment in a test for an overlapping copy
    # (GCC bug 105329); only that warning goes, and only for the tests.
    target_compile_options(test_${id} PRIVATE $<$<CONFIG:Release>:-Wno-restrict>)
  endif()
  add_test(NAME core.${id} COMMAND test_${id})
  set(labels core)
  if(ARG_LABEL)
    list(APPEND labels ${ARG_LABEL})
  endif()
  set_tests_properties(core.${id} PROPERTIES LABELS "${labels}" TIMEOUT 600)
  # Each label is also a target that builds just its suites, so a sanitizer build compiles only what it runs.
  foreach(label IN LISTS labels)
    set_property(GLOBAL APPEND PROPERTY TIDEWICK_TESTS_LABELLED_${label} test_${id})
  endforeach()
endfunction()

# A target "<label>_tests" that builds every suite with that label (call after the suites).
function(tidewick_label_target label)
  get_property(targets GLOBAL PROPERTY TIDEWICK_TESTS_LABELLED_${label})
  add_custom_target(${label}_tests DEPENDS ${targets})
endfunction()
