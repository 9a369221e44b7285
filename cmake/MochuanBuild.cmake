# mc_add_test(NAME SOURCES a.cpp b.cpp LIBS x y [QT]): one GoogleTest executable registered as one CTest test.
function(mc_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set(env "MC_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp"
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0")
  if(T_QT)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt, in
# name order.
function(mc_add_subfolders)
  file(GLOB _dirs LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} *)
  list(SORT _dirs)
  foreach(d IN LISTS _dirs)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${d} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/CMakeLists.txt)
      add_subdirectory(${d})
    endif()
  endforeach()
endfunction()
