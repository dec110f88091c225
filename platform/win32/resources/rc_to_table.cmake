# Turns the STRINGTABLE entries of a Windows resource script (and of the .rc files it
# #includes with quotes) into the module glue of a Linux library: a table of
# Win32Resource entries that the library registers with the Win32 stand-in when it is
# loaded, and the load and unload hooks that call its DllMain as Windows would.
#
#   cmake -DRC_FILE=in.rc -DTEMPLATE=module_glue.cpp.in -DOUTPUT=out.cpp -P rc_to_table.cmake
#
# Understood: "STRINGTABLE" ... BEGIN/{ ... END/}, entries `id, "text"` or `id "text"`
# with a decimal id or a name #defined in the scripts; "" inside a text is a quote,
# backslash escapes are kept as C escapes. Other resources are skipped; a new kind
# (e.g. a dialog template) would be added here as one more table entry type.
cmake_minimum_required(VERSION 3.25)

set(entries "")
set(count 0)

function(read_script path)
  get_filename_component(folder "${path}" DIRECTORY)
  file(READ "${path}" text)
  # Keep the text a single list element per line: protect CMake's list separators.
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(state outside)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^#include[ \t]+\"([^\"]+\\.rc)\"")
      read_script("${folder}/${CMAKE_MATCH_1}")
    elseif(line MATCHES "^#define[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+([0-9]+)")
      set(define_${CMAKE_MATCH_1} ${CMAKE_MATCH_2} PARENT_SCOPE)
      set(define_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    elseif(state STREQUAL "outside" AND line MATCHES "^STRINGTABLE")
      set(state header)
    elseif(state STREQUAL "header" AND line MATCHES "^(BEGIN|{)")
      set(state inside)
    elseif(state STREQUAL "inside" AND line MATCHES "^(END|})")
      set(state outside)
    elseif(state STREQUAL "inside" AND line MATCHES "^([A-Za-z0-9_]+)[ \t]*,?[ \t]*\"(.*)\"$")
      set(id "${CMAKE_MATCH_1}")
      set(value "${CMAKE_MATCH_2}")
      if(NOT id MATCHES "^[0-9]+$")
        if(NOT DEFINED define_${id})
          message(FATAL_ERROR "${path}: string id ${id} is not #defined in the resource scripts")
        endif()
        set(id "${define_${id}}")
      endif()
      string(REPLACE "\"\"" "\\\"" value "${value}")
      string(REPLACE "<semicolon>" ";" value "${value}")
      string(APPEND entries "    {RT_STRING, MAKEINTRESOURCEA(${id}), \"${value}\", sizeof(\"${value}\") - 1},\n")
      math(EXPR count "${count} + 1")
    elseif(state STREQUAL "inside" AND NOT line STREQUAL "" AND NOT line MATCHES "^//")
      message(FATAL_ERROR "${path}: cannot read the string table line: ${line}")
    endif()
  endforeach()
  set(entries "${entries}" PARENT_SCOPE)
  set(count ${count} PARENT_SCOPE)
endfunction()

read_script("${RC_FILE}")
get_filename_component(QV_RC_NAME "${RC_FILE}" NAME)
set(QV_RESOURCE_COUNT ${count})
if(count EQUAL 0)
  set(QV_RESOURCE_ENTRIES "    {RT_STRING, MAKEINTRESOURCEA(0), \"\", 0},  // none: the table may not be empty\n")
else()
  set(QV_RESOURCE_ENTRIES "${entries}")
endif()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
