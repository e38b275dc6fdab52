# Third-party code for the Windows build. Debian ships the header-only
# libraries for any compiler and GoogleTest as sources, so the cross-build
# takes those: the headers through folders of their own (never the host's
# /usr/include, whose C library headers are not MinGW's), GoogleTest
# compiled with the cross-compiler. Included before the project's own
# warning flags, so they do not apply to GoogleTest.

set(orv_deps ${PROJECT_BINARY_DIR}/windows-deps)

# orv_header_only(TARGET PACKAGE HEADER_FOLDER): an imported target over one
# folder of /usr/include, found by find_package(PACKAGE) as usual.
function(orv_header_only target package folder)
  file(MAKE_DIRECTORY ${orv_deps}/include ${orv_deps}/${package})
  file(CREATE_LINK /usr/include/${folder} ${orv_deps}/include/${folder} SYMBOLIC)
  file(WRITE ${orv_deps}/${package}/${package}Config.cmake
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${orv_deps}/include)\n"
    "endif()\n")
  file(WRITE ${orv_deps}/${package}/${package}ConfigVersion.cmake
    "set(PACKAGE_VERSION_COMPATIBLE TRUE)\nset(PACKAGE_VERSION_EXACT FALSE)\n")
  set(${package}_DIR ${orv_deps}/${package} CACHE PATH "" FORCE)
endfunction()

orv_header_only(nlohmann_json::nlohmann_json nlohmann_json nlohmann)
orv_header_only(CLI11::CLI11 CLI11 CLI)

if(ORV_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${t})  # newer GoogleTest defines them itself
      add_library(GTest::${t} ALIAS ${t})
    endif()
  endforeach()
endif()

# The manifest goes into every program of the build, tests included, so
# they run with the code page the shipped programs have.
enable_language(RC)
add_library(orv_windows_manifest OBJECT ${PROJECT_SOURCE_DIR}/resources/windows/manifest.rc)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/resources/windows/manifest.rc APPEND PROPERTY
  OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/resources/windows/orvantis.manifest)
link_libraries(orv_windows_manifest)
