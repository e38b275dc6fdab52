cmake_minimum_required(VERSION 3.25)
# Every Windows program and library of the build imports only a small fixed
# set: kernel32 and the C runtime; the editor and the tests that open its
# windows also the window system (user32, gdi32, comctl32). Everything else
# (ws2_32, the security and crypto libraries, the registry, the shell, the
# common file dialogs) is bound at run time, so a system without one still
# starts the program. Run as: cmake -DOBJDUMP=... -DDIR=... -P check_imports.cmake
file(GLOB_RECURSE programs ${DIR}/*.exe ${DIR}/*.dll)
# The web fixture serves files named like programs.
list(FILTER programs EXCLUDE REGEX "/web-fixture/")
set(allowed KERNEL32.dll msvcrt.dll)
set(gui_allowed ${allowed} USER32.dll GDI32.dll COMCTL32.dll)
set(count 0)
foreach(program IN LISTS programs)
  get_filename_component(name ${program} NAME)
  set(permitted ${allowed})
  if(name STREQUAL "orvantis.exe" OR name MATCHES "^test_win32_")
    set(permitted ${gui_allowed})
  endif()
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  foreach(line IN LISTS names)
    string(REPLACE "DLL Name: " "" import "${line}")
    if(NOT import IN_LIST permitted)
      message(FATAL_ERROR "${program} imports ${import}")
    endif()
  endforeach()
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no programs in ${DIR}")
endif()
message(STATUS "${count} programs and libraries import only ${allowed} (the editor also ${gui_allowed})")
