cmake_minimum_required(VERSION 3.25)
# Every Windows program of the build imports only kernel32 and the C
# runtime: everything else (ws2_32, the security and crypto libraries, the
# registry, the shell) is bound at run time, so a system without one still
# starts the program. Run as: cmake -DOBJDUMP=... -DDIR=... -P check_imports.cmake
file(GLOB_RECURSE programs ${DIR}/*.exe)
# The web fixture serves files named like programs.
list(FILTER programs EXCLUDE REGEX "/web-fixture/")
set(allowed KERNEL32.dll msvcrt.dll)
set(count 0)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  foreach(line IN LISTS names)
    string(REPLACE "DLL Name: " "" name "${line}")
    if(NOT name IN_LIST allowed)
      message(FATAL_ERROR "${program} imports ${name}")
    endif()
  endforeach()
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no programs in ${DIR}")
endif()
message(STATUS "${count} programs import only ${allowed}")
