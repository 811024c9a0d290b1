set(PROJECT_WIN32 OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PROJECT_WIN32 ON)
endif()

if(FUZZ)
  function(project_add_test)
  endfunction()
  return()
endif()

# GoogleTest for every build: Debian's packaged library natively, built from
# /usr/src/googletest for the Windows builds (their tests run under Wine).
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# project_add_test(name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One GoogleTest executable, registered with CTest as a single test so that
# a Windows test binary starts Wine once rather than once per case.
function(project_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
