# Installation beyond the targets' own rules, and the Debian package.
# Included last, when every program target exists: the command-line program
# and its manual page are picked up as soon as they are part of the build.

# The installed programs find the private libraries through their run path.
file(RELATIVE_PATH orv_bin_to_private
  ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${ORV_PRIVATE_LIBDIR})
foreach(program IN ITEMS orvantis orvantis-cli)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${orv_bin_to_private}")
  endif()
endforeach()

# Manual pages: every doc/<program>.1 whose program is built, compressed the
# way Debian wants it (no name or time stamp inside, so the file is
# reproducible).
file(GLOB orv_man_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/doc/*.1)
set(orv_docs)
foreach(source IN LISTS orv_man_sources)
  cmake_path(GET source STEM program)
  if(TARGET ${program})
    list(APPEND orv_docs ${source}:${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The AppStream description of the editor, naming every installed program.
set(orv_metainfo ${PROJECT_SOURCE_DIR}/resources/org.orvantis.Orvantis.metainfo.xml.in)
if(TARGET orvantis)
  set(ORV_METAINFO_BINARIES "")
  foreach(program IN ITEMS orvantis orvantis-cli)
    if(TARGET ${program})
      string(APPEND ORV_METAINFO_BINARIES "    <binary>${program}</binary>\n")
    endif()
  endforeach()
  configure_file(${orv_metainfo} ${PROJECT_BINARY_DIR}/resources/org.orvantis.Orvantis.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/resources/org.orvantis.Orvantis.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The package's copyright and changelog, as Debian wants them. A release
# needs its entry in the changelog and in the AppStream release history.
set(orv_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/orvantis)
set(orv_changelog ${PROJECT_SOURCE_DIR}/doc/debian/changelog)
file(STRINGS ${orv_changelog} orv_changelog_head LIMIT_COUNT 1)
file(STRINGS ${orv_metainfo} orv_release REGEX "<release version=\"${PROJECT_VERSION}\"")
if(NOT orv_changelog_head MATCHES "^orvantis \\(${PROJECT_VERSION}\\) " OR NOT orv_release)
  message(FATAL_ERROR "doc/debian/changelog (at its top) and the metainfo's releases need an entry for version ${PROJECT_VERSION}")
endif()
list(APPEND orv_docs ${orv_changelog}:${orv_docdir})
install(FILES ${PROJECT_SOURCE_DIR}/doc/debian/copyright DESTINATION ${orv_docdir})

find_program(ORV_GZIP gzip REQUIRED)
set(orv_compressed)
foreach(entry IN LISTS orv_docs)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 source)
  list(GET entry 1 destination)
  cmake_path(GET source FILENAME name)
  set(gz ${PROJECT_BINARY_DIR}/doc/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
    COMMAND ${ORV_GZIP} -9n -c ${source} > ${gz}
    DEPENDS ${source})
  install(FILES ${gz} DESTINATION ${destination})
  list(APPEND orv_compressed ${gz})
endforeach()
add_custom_target(orv_docs ALL DEPENDS ${orv_compressed})

# The Debian package: `cpack` in the build folder (scripts/package.sh does it
# with a release build). Depends comes from the shared libraries the
# programs use, plus the plugin that draws the SVG icons, which the
# programs load at run time. The desktop, MIME and icon caches are updated
# by dpkg triggers of the packages that own them, so there are no
# maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Orvantis developers <packages@orvantis.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for software update packages")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Orvantis keeps one product's release history in a single update package:
company and product information, the released versions with their
download locations and sizes, release dates and free-upgrade rules, the
product's features and its known bugs, all cross-referenced by numeric ids.

It asks a download's web server for its size, tests web and mail links
with one click, and saves without ever damaging the file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
