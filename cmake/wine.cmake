# Runs the Windows test programs under Wine, in a throwaway prefix below the build
# folder so that no test touches the user's own ~/.wine: the x86_64 build under
# wine64, the i686 build under 32-bit Wine in a 32-bit prefix.
set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QV_WINE_RUNNER ${CMAKE_BINARY_DIR}/run-wine.sh)
set(QV_WINESERVER /usr/lib/wine/wineserver)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(wine_loader /usr/lib/wine/wine)
  set(wine_arch "export WINEARCH=win32\n")
else()
  set(wine_loader /usr/lib/wine/wine64)
  set(wine_arch "")
endif()
file(WRITE ${QV_WINE_RUNNER} "#!/bin/sh
export WINEPREFIX='${QV_WINEPREFIX}'
${wine_arch}export WINEDEBUG=\${WINEDEBUG:--all}
export WINEDLLOVERRIDES='mscoree,mshtml='
exec ${wine_loader} \"$@\"
")
file(CHMOD ${QV_WINE_RUNNER} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QV_WINE_RUNNER} CACHE FILEPATH "" FORCE)

# The first start of a new prefix takes several seconds; do it once, before any test.
add_test(NAME wine_prefix_init
  COMMAND sh -c "'${QV_WINE_RUNNER}' wineboot --init && WINEPREFIX='${QV_WINEPREFIX}' ${QV_WINESERVER} -w")
set_tests_properties(wine_prefix_init PROPERTIES FIXTURES_SETUP wineprefix LABELS wine TIMEOUT 300)
