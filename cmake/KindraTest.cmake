# kindra_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [GL])
# One test executable registered as one ctest test. GL tests get a hidden
# window from the shared fixture and the "gl" label; they need a display.
# Building a test builds the generated assets of data/ first.
function(kindra_test name)
  cmake_parse_arguments(ARG "GL" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kindra_options kindra_testsupport ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(TARGET kindra_assets)
    add_dependencies(${name} kindra_assets)
  endif()
  set(labels ${ARG_LABELS})
  if(ARG_GL)
    target_link_libraries(${name} PRIVATE kindra_gltest)
    list(APPEND labels gl)
  endif()
  if(NOT labels)
    set(labels unit)
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 600
    ENVIRONMENT "KINDRA_SOURCE_DIR=${PROJECT_SOURCE_DIR};KINDRA_BINARY_DIR=${PROJECT_BINARY_DIR};SDL_AUDIODRIVER=dummy")
endfunction()
