# Packages of the installed tree (cmake/install.cmake), made by `cpack` in a build
# folder; scripts/package.sh makes all of them. Linux: a Debian package and a .tar.gz;
# the shipped 32-bit Windows build: a .zip. Each package gets a .sha256 beside it.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Mornavel")
set(CPACK_PACKAGE_CONTACT "quorvel developers <quorvel@mornavel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Windows Media (.wmv) file plug-in for the host video application, and the setup launcher")
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Debug information stays in the build. Only install(TARGETS) files are stripped: the
# launcher, installed as a plain file, keeps its padding to the archive offset.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(QV_WINDOWS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR "DEB;TGZ")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quorvel_1.0.0.1_amd64.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "quorvel.qpl imports and exports .wmv files for the host video application; on \
Linux it runs over a Win32 stand-in and a Windows Media runtime built on FFmpeg. \
qvhost drives the plug-in from the command line; paktool builds self-extracting \
setups around the unpackrun launcher.")
  # The FFmpeg, C and C++ libraries the binaries link, as dpkg-shlibdeps finds them;
  # it runs in the staging root of the package, which installs under /usr.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${QV_INSTALL_PLUGINDIR})
endif()

include(CPack)
