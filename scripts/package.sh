#!/usr/bin/env bash
# Makes every package from a clean checkout: installs what is missing, builds the Linux
# build and the shipped 32-bit Windows build, and packs each with CPack. The packages
# land in dist/, each with a .sha256 file beside it:
#   quorvel_<version>_amd64.deb        Linux: qvhost, paktool, the plug-in and its stand-ins
#   quorvel-<version>-Linux.tar.gz     the same tree, to unpack under any prefix
#   quorvel-<version>-win32.zip        the shipped quorvel.qpl and unpackrun.exe, and paktool.exe
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
rm -rf dist
mkdir dist
for preset in linux win32; do
  echo "== build: $preset"
  scripts/build.sh "$preset"
  if [ "$preset" = win32 ]; then scripts/check-win32.sh; fi
  echo "== packages: $preset"
  rm -rf "build/$preset/packages"
  (cd "build/$preset" && cpack --config CPackConfig.cmake >/dev/null)
  find "build/$preset/packages" -maxdepth 1 -type f -exec cp {} dist/ \;
done
for pattern in 'quorvel_*.deb' 'quorvel-*-Linux.tar.gz' 'quorvel-*-win32.zip'; do
  package=$(cd dist && compgen -G "$pattern") || { echo "package: no $pattern in dist/"; exit 1; }
  [ -f "dist/$package.sha256" ] || { echo "package: no dist/$package.sha256"; exit 1; }
done
(cd dist && sha256sum -c ./*.sha256)
echo "== the Linux packages on their own"
version=$(build/linux/tools/paktool --version | cut -d' ' -f2)
for package in dist/quorvel_*.deb dist/quorvel-*-Linux.tar.gz; do
  tests/install/install_tree_test.sh build/linux "$version" "$package" >/dev/null
  echo "$package: ok"
done
ls -l dist
