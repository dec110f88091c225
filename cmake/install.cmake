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
# Windows, one folder: the shipped quorvel.qpl and unpackrun.exe, and paktool.exe.
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
  return()
endif()

set_target_properties(qvhost PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_plugindir}")
set_target_properties(quorvel wmvcore win32api PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS qvhost paktool RUNTIME DESTINATION ${QV_INSTALL_BINDIR})
install(TARGETS quorvel wmvcore win32api LIBRARY DESTINATION ${QV_INSTALL_PLUGINDIR})
# Copied byte for byte: paktool takes the launcher's size as its archive offset.
install(PROGRAMS $<TARGET_FILE:unpackrun> DESTINATION ${QV_INSTALL_PLUGINDIR})
