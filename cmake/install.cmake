# Where `cmake --install` and the packages put each deliverable and tool.
#
# Linux, in the GNU directories under any prefix:
#   bin/qvhost, bin/paktool
#   lib/quorvel/quorvel.qpl, libwin32api.so, libwmvcore.so   the plug-in and the stand-ins
#   lib/quorvel/unpackrun                                     the launcher paktool builds on
# The stand-ins are private to the plug-in and its host, so they stay out of the
# loader's search path; run paths relative to each file ($ORIGIN) find them, so the
# tree works from wherever it is copied.
#
#   share/doc/quorvel/copyright, changelog.gz                 where Debian looks for them
#   share/man/man1/qvhost.1.gz, paktool.1.gz, unpackrun.1.gz
#
# Windows, one folder: the shipped quorvel.qpl and unpackrun.exe, and paktool.exe,
# with LICENSE.txt and CHANGELOG.md.
include(GNUInstallDirs)

if(QV_WINDOWS)
  set(QV_INSTALL_BINDIR .)
  set(QV_INSTALL_PLUGINDIR .)
else()
  set(QV_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(QV_INSTALL_PLUGINDIR ${CMAKE_INSTALL_LIBDIR}/quorvel)
endif()

# The plug-in's folder as seen from the programs' folder ("../lib/quorvel").
file(RELATIVE_PATH bin_to_plugindir /prefix/${QV_INSTALL_BINDIR} /prefix/${QV_INSTALL_PLUGINDIR})
if(bin_to_plugindir STREQUAL "")
  set(bin_to_plugindir .)
endif()

# qvhost loads the plug-in installed with it when none is named.
target_compile_definitions(qvhost PRIVATE QVHOST_INSTALLED_PLUGIN="${bin_to_plugindir}/quorvel.qpl")

if(QV_WINDOWS)
  # The images exactly as built: the launcher is padded to its archive offset.
  install(PROGRAMS $<TARGET_FILE:quorvel> $<TARGET_FILE:unpackrun> $<TARGET_FILE:paktool>
          DESTINATION ${QV_INSTALL_BINDIR})
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  install(FILES CHANGELOG.md DESTINATION .)
  return()
endif()

set_target_properties(qvhost PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_plugindir}")
set_target_properties(quorvel wmvcore win32api PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS qvhost paktool RUNTIME DESTINATION ${QV_INSTALL_BINDIR})
install(TARGETS quorvel wmvcore win32api LIBRARY DESTINATION ${QV_INSTALL_PLUGINDIR})
# Copied byte for byte: paktool takes the launcher's size as its archive offset.
install(PROGRAMS $<TARGET_FILE:unpackrun> DESTINATION ${QV_INSTALL_PLUGINDIR})

# The licence as a Debian copyright file, and the change log and manual pages
# compressed as Debian keeps them (gzip -n: the same bytes on every build).
set(QV_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvel)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(REGEX REPLACE "\n\n" "\n.\n" license_body "${license_text}")
string(REGEX REPLACE "\n" "\n " license_body "${license_body}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: quorvel\n\n"
     "Files: *\nCopyright: 2026 Mornavel\nLicense: Expat\n ${license_body}")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${QV_INSTALL_DOCDIR})

set(compressed_docs)
function(qv_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND gzip -9nc ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
  set(compressed_docs ${compressed_docs} ${output} PARENT_SCOPE)
endfunction()
qv_gzip(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/changelog.gz)
foreach(page qvhost.1 paktool.1 unpackrun.1)
  qv_gzip(${PROJECT_SOURCE_DIR}/doc/man/${page} ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/man)
add_custom_target(compressed_docs ALL DEPENDS ${compressed_docs})
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${QV_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_BINARY_DIR}/man/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        FILES_MATCHING PATTERN "*.1.gz")
