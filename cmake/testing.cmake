# GoogleTest on every build that runs tests, and helpers to declare test programs.
#
# Native Linux uses Debian's GoogleTest package. Cross builds compile GoogleTest from
# the sources that Debian ships in /usr/src/googletest with their own compiler, and run
# each test program through CMAKE_CROSSCOMPILING_EMULATOR: Wine for Windows builds (see
# cmake/wine.cmake), qemu-user for the 32-bit Linux build (its toolchain file).
if(NOT QV_BUILD_TESTS)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
if(QV_WINDOWS)
  include(cmake/wine.cmake)
else()
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

# The plug-in and launcher that tests load and start: this build's own, or with
# QV_SHIPPED_BUILD those of the shipped build's folder (the i686 test programs need
# another flavour of the compiler than the shipped files, which must be tested as
# they ship). qv_test_uses(TARGET quorvel|unpackrun...) orders the build.
if(QV_SHIPPED_BUILD)
  set(QV_TESTED_PLUGIN ${QV_SHIPPED_BUILD}/plugin/quorvel.qpl)
  set(QV_TESTED_LAUNCHER ${QV_SHIPPED_BUILD}/launcher/unpackrun${CMAKE_EXECUTABLE_SUFFIX})
  foreach(file ${QV_TESTED_PLUGIN} ${QV_TESTED_LAUNCHER})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} is missing: build the shipped build first (scripts/build.sh win32)")
    endif()
  endforeach()
else()
  set(QV_TESTED_PLUGIN $<TARGET_FILE:quorvel>)
  set(QV_TESTED_LAUNCHER $<TARGET_FILE:unpackrun>)
endif()
function(qv_test_uses target)
  if(NOT QV_SHIPPED_BUILD)
    add_dependencies(${target} ${ARGN})
  endif()
endfunction()

# qv_runner(VAR TARGET): a command that runs the target's program from a script or
# from another program of the build, through the build's emulator if it has one.
# Under qemu-user a program cannot start another 32-bit program directly (the kernel
# would refuse it), so it is given a small script that goes through the emulator.
function(qv_runner var target)
  if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT QV_WINDOWS)
    set(script ${CMAKE_BINARY_DIR}/run/${target})
    get_property(made GLOBAL PROPERTY QV_RUNNER_${target})
    set(${var} ${script} PARENT_SCOPE)
    if(made)
      return()  # each script is generated once, however many tests use it
    endif()
    set_property(GLOBAL PROPERTY QV_RUNNER_${target} ON)
    file(GENERATE OUTPUT ${script}
      CONTENT "#!/bin/sh\nexec '${CMAKE_CROSSCOMPILING_EMULATOR}' '$<TARGET_FILE:${target}>' \"$@\"\n"
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
  endif()
endfunction()

# qv_add_gtest(NAME SOURCES a.cpp b.cpp LIBS x y [LABELS l m] [ENV A=1 B=2])
# On Linux each test case becomes its own ctest test; in cross builds the whole program
# is one ctest test, since listing the cases and running each on its own would start
# the emulator (Wine, qemu) once more per case.
function(qv_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  qv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "${ARG_ENV}")
    if(QV_WINDOWS)
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix LABELS "wine;${ARG_LABELS}")
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    # The discovered cases get their lists of labels and variables from a file that
    # ctest reads after the discovery's own: gtest_discover_tests would pass a list
    # through several layers of CMake and keep only its first element.
    set(properties ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
    file(WRITE ${properties}
      "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS [==[${ARG_LABELS}]==] ENVIRONMENT [==[${ARG_ENV}]==])\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties})
  endif()
endfunction()
