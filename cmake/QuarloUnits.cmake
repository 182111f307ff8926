# Helpers that keep each unit's build description to one line.
#
# A unit is one folder of src/. Its portable sources (*.cpp directly in the folder) build on every
# platform; sources under its win32/ subfolder build only for Windows.

function(quarlo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Werror=return-type)
endfunction()

# quarlo_unit(<target> <folder> [DEPS <targets>...])
function(quarlo_unit target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp")
  if(WIN32)
    file(GLOB win32_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${folder}/win32/*.cpp")
    list(APPEND sources ${win32_sources})
  endif()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    quarlo_warnings(${target})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# quarlo_unit_tests(<target> <folder under tests/> DEPS <targets>...)
# Every *_test.cpp of the folder becomes part of one GoogleTest executable registered with CTest.
function(quarlo_unit_tests target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${folder}/*_test.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} quarlo_test_support GTest::gtest_main GTest::gmock)
  target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  quarlo_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
endfunction()
