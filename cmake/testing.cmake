# GoogleTest on every build that runs tests, and a helper to declare a test program.
#
# Linux uses Debian's GoogleTest package. Windows builds compile GoogleTest from the
# sources that Debian ships in /usr/src/googletest with the cross compiler, and run
# each test program under wine64 (CMAKE_CROSSCOMPILING_EMULATOR, see cmake/wine.cmake).
if(NOT QV_BUILD_TESTS)
  return()
endif()

if(QV_WINDOWS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(cmake/wine.cmake)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# qv_add_gtest(NAME SOURCES a.cpp b.cpp LIBS x y [LABELS l] [ENV A=1 B=2])
# On Linux each test case becomes its own ctest test; under wine64 the whole program
# is one ctest test, since listing the cases would start wine once more per program.
function(qv_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  qv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  if(QV_WINDOWS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix
      LABELS "wine;${ARG_LABELS}" ENVIRONMENT "${ARG_ENV}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "${ARG_ENV}")
  endif()
endfunction()
