# Runs the resource-table generator of Linux plug-in builds on sample scripts and
# checks the table it makes.   cmake -DGLUE_DIR=... -DWORK=... -P rc_table_test.cmake
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/sample.rc [=[
// Strings of a sample library.
#include <winresrc.h>
#define IDS_EXTRA 7
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US

STRINGTABLE
BEGIN
  1, "Windows Media Video (*.WMV)"
  // a comment inside the table
  IDS_EXTRA "say ""hi""; then\tgo"
END

1 DIALOG 0, 0, 10, 10
BEGIN
  CONTROL "OK", 1, "BUTTON", 0x50010001, 1, 1, 1, 1
END

#include "part.rc"
]=])
file(WRITE ${WORK}/part.rc [=[
STRINGTABLE
{
  30000, "*.wmv"
}
]=])
file(WRITE ${WORK}/undefined.rc [=[
STRINGTABLE
BEGIN
  IDS_NOWHERE, "text"
END
]=])

function(generate rc output result)
  execute_process(COMMAND ${CMAKE_COMMAND} -DRC_FILE=${rc} -DTEMPLATE=${GLUE_DIR}/module_glue.cpp.in
                          -DOUTPUT=${output} -P ${GLUE_DIR}/rc_to_table.cmake
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  set(${result} ${status} PARENT_SCOPE)
endfunction()

generate(${WORK}/sample.rc ${WORK}/sample.cpp status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed on a valid script")
endif()
file(READ ${WORK}/sample.cpp text)
foreach(expected
    [=[{RT_STRING, MAKEINTRESOURCEA(1), "Windows Media Video (*.WMV)", sizeof("Windows Media Video (*.WMV)") - 1},]=]
    [=[{RT_STRING, MAKEINTRESOURCEA(7), "say \"hi\"; then\tgo", sizeof("say \"hi\"; then\tgo") - 1},]=]
    [=[{RT_STRING, MAKEINTRESOURCEA(30000), "*.wmv", sizeof("*.wmv") - 1},]=]
    "kResourceCount = 3;"
    "DllMain(module, DLL_PROCESS_ATTACH, nullptr);")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "generated table lacks: ${expected}\n${text}")
  endif()
endforeach()
string(FIND "${text}" "\"OK\"" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "a dialog's text went into the string table")
endif()

generate(${WORK}/undefined.rc ${WORK}/undefined.cpp status)
if(status EQUAL 0)
  message(FATAL_ERROR "an id that is never defined must stop the build")
endif()
message(STATUS "rc_table_test: ok")
