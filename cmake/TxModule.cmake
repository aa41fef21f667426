# tx_module(NAME DEPS <libs...>): one static library from the .cpp files of the current folder
# (sub-folders that are modules of their own are not included).
function(tx_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  if(sources)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  else()
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
  endif()
endfunction()

# tx_test(NAME DEPS <libs...>): one GoogleTest program from the .cpp files of the current folder.
function(tx_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} tx_test_support GTest::gtest_main GTest::gmock)
  # Every test runs with the folders it may need and Qt offscreen; `env` carries them because the
  # discovered tests' ENVIRONMENT property keeps only its first entry.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
    "/usr/bin/env;TX_SOURCE_DIR=${PROJECT_SOURCE_DIR};TX_BUILD_DIR=${CMAKE_BINARY_DIR};QT_QPA_PLATFORM=offscreen")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
endfunction()
