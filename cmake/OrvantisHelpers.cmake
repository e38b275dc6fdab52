# Core libraries register themselves here; the configure step then proves
# that none of them links Qt.
set_property(GLOBAL PROPERTY ORV_CORE_TARGETS "")

# orv_platform_sources(VAR): the folder's *.cpp for this platform. A rule
# lives in NAME.cpp for every platform; its platform backend beside it as
# NAME_posix.cpp or NAME_windows.cpp, of which the build takes one.
function(orv_platform_sources var)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# orv_platform_tests(VAR [POSIX_ONLY NAME...]): the folder's test_*.cpp for
# this platform, as orv_platform_sources chooses sources; on Windows
# without the POSIX_ONLY suites, whose subject has no Windows backend yet.
function(orv_platform_tests var)
  cmake_parse_arguments(ARG "" "" "POSIX_ONLY" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  if(WIN32)
    list(FILTER tests EXCLUDE REGEX "_posix\\.cpp$")
    foreach(name IN LISTS ARG_POSIX_ONLY)
      list(FILTER tests EXCLUDE REGEX "/${name}\\.cpp$")
    endforeach()
  else()
    list(FILTER tests EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  set(${var} ${tests} PARENT_SCOPE)
endfunction()

# What turns a build path into one the built programs can open: under
# Wine the host's root is drive Z.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(ORV_HOST_DRIVE "Z:")
else()
  set(ORV_HOST_DRIVE "")
endif()

# orv_core_library(NAME SOURCES... [DEPS ...])
function(orv_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_SOURCES)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    if(ARG_DEPS)
      target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
  else()  # a folder whose work has not started yet
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  endif()
  set_property(GLOBAL APPEND PROPERTY ORV_CORE_TARGETS ${name})
endfunction()

# The libraries of a window system: Qt, X11 and the Windows GUI libraries.
# Compared in lower case.
set(ORV_GUI_LIBRARY_PATTERN "(^|[;/ :-]|-l)(qt|x11|xcb|user32|gdi32|comctl32|comdlg32|uxtheme|dwmapi|shell32)"
    CACHE INTERNAL "")

# The core builds and tests with no GUI library: refuse to configure when a
# core target links one, directly or through another target, or asks for
# one in its link options.
function(orv_check_core_has_no_gui)
  get_property(core GLOBAL PROPERTY ORV_CORE_TARGETS)
  foreach(t IN LISTS core)
    set(pending ${t})
    set(seen)
    while(pending)
      list(POP_FRONT pending item)
      if(item IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${item})
      string(TOLOWER "${item}" lower)
      if(lower MATCHES "${ORV_GUI_LIBRARY_PATTERN}")
        message(FATAL_ERROR "core target ${t} links the GUI library ${item}")
      endif()
      if(NOT TARGET ${item})
        continue()
      endif()
      get_target_property(type ${item} TYPE)
      set(props INTERFACE_LINK_LIBRARIES INTERFACE_LINK_OPTIONS)
      if(NOT type STREQUAL "INTERFACE_LIBRARY")
        list(APPEND props LINK_LIBRARIES LINK_OPTIONS)
      endif()
      foreach(prop IN LISTS props)
        get_target_property(values ${item} ${prop})
        if(values)
          foreach(value IN LISTS values)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" value "${value}")
            string(TOLOWER "${value}" lower)
            if(prop MATCHES "OPTIONS" AND lower MATCHES "${ORV_GUI_LIBRARY_PATTERN}")
              message(FATAL_ERROR "core target ${t} asks for a GUI library: ${value}")
            endif()
            if(NOT prop MATCHES "OPTIONS")
              list(APPEND pending ${value})
            endif()
          endforeach()
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()

# orv_test(NAME SOURCES... LIBS ... [ENV ...] [LABELS ...])
# One GoogleTest executable registered with CTest test by test.
function(orv_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_LIBS MATCHES "orv_gui_test_main")
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator (Wine) each start costs a large part of a second:
    # one CTest test runs the whole executable.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}" LABELS "${ARG_LABELS}" TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "${ARG_ENV}" LABELS "${ARG_LABELS}" TIMEOUT 120)
  endif()
endfunction()

# The program's private libraries (the crash-reporting library): a folder of
# its own, outside the system's library path, found through the programs'
# run path. Relative to the prefix, so an installed tree can move; in the
# multiarch folder where the platform has one, as Debian keeps
# architecture-specific private libraries.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(ORV_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/orvantis)
else()
  set(ORV_PRIVATE_LIBDIR lib/orvantis)
endif()

