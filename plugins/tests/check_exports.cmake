cmake_minimum_required(VERSION 3.25)
# Checks that a plug-in library exports `main` and nothing else.
#   cmake -DLIBRARY=<file> -DOBJDUMP=<objdump> -DNM=<nm> -P check_exports.cmake
# A Windows DLL is read with objdump's export table listing, an ELF shared
# object with nm's list of defined dynamic symbols.
if(LIBRARY MATCHES "\\.dll$")
  execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  # The names follow the "[Ordinal/Name Pointer] Table" heading up to a blank line.
  string(FIND "${listing}" "[Ordinal/Name Pointer] Table" start)
  if(status OR start EQUAL -1)
    message(FATAL_ERROR "${LIBRARY}: no export table (objdump status ${status})")
  endif()
  string(SUBSTRING "${listing}" ${start} -1 table)
  string(REGEX MATCH "Table\n(([^\n]+\n)*)" block "${table}")
  # Each line is "[ ordinal] name"; the brackets go first, as CMake lists
  # do not split inside them.
  string(REGEX REPLACE "[ \t]*\\[ *[0-9]+\\] ([^\n]*)\n" "\\1;" entries "${CMAKE_MATCH_1}")
  list(FILTER entries EXCLUDE REGEX "^$")
else()
  execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "${LIBRARY}: nm failed with status ${status}")
  endif()
  string(REGEX MATCHALL "[^ \n]+\n" entries "${listing}")
  list(TRANSFORM entries STRIP)
endif()
if(NOT entries STREQUAL "main")
  message(FATAL_ERROR "${LIBRARY} exports [${entries}] instead of only main")
endif()
message(STATUS "${LIBRARY} exports only main")
