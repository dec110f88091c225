#!/usr/bin/env bash
# The installed tree on its own: installs the build into a temporary prefix (or unpacks
# one of its Linux packages there), moves the prefix elsewhere, checks that nothing in it
# points back into the build, and runs the main job from it (the plug-in's formats, an
# export and an import of a .wmv, a setup built with paktool and run) without
# LD_LIBRARY_PATH or QVHOST_PLUGIN.
#   install_tree_test.sh BUILD_DIR VERSION [PACKAGE.deb | PACKAGE.tar.gz]
set -euo pipefail
build=$(cd "$1" && pwd) version=$2 package=${3:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qv-install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH QVHOST_PLUGIN
export QV_WIN32_REGISTRY="$work/user.reg"

case "$package" in
  "") cmake --install "$build" --prefix "$work/installed" >/dev/null ;;
  *.deb) dpkg-deb -x "$package" "$work/root" && mv "$work/root/usr" "$work/installed" ;;
  *.tar.gz) mkdir "$work/installed" && tar -xzf "$package" -C "$work/installed" --strip-components=1 ;;
  *) echo "not a package: $package"; exit 2 ;;
esac
mv "$work/installed" "$work/moved"
prefix=$work/moved
plugindir=$(dirname "$(find "$prefix" -name quorvel.qpl)")
for file in bin/qvhost bin/paktool "${plugindir#"$prefix"/}"/{quorvel.qpl,libwin32api.so,libwmvcore.so,unpackrun}; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

echo "-- licence, change log and manual pages, as Debian keeps them"
for file in share/doc/quorvel/copyright share/doc/quorvel/changelog.gz \
            share/man/man1/{qvhost,paktool,unpackrun}.1.gz; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
grep -q '^License: Expat' "$prefix/share/doc/quorvel/copyright" || { echo "the copyright file names no licence"; exit 1; }
zgrep -q "^## $version" "$prefix/share/doc/quorvel/changelog.gz" || { echo "the change log has no entry for $version"; exit 1; }
for page in qvhost paktool unpackrun; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page(1) renders with warnings:"; echo "$warnings"; exit 1; }
  LC_ALL=C.UTF-8 man -l "$prefix/share/man/man1/$page.1.gz" | grep -q "^NAME" || { echo "$page(1) does not render"; exit 1; }
done

echo "-- run paths and libraries of the installed files"
while IFS= read -r file; do
  readelf -h "$file" >/dev/null 2>&1 || continue  # ELF files only
  runpath=$(readelf -d "$file" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
  echo "$(basename "$file"): ${runpath:-no run path}"
  case ":$runpath:" in
    *:/*) echo "absolute run path in $file: $runpath"; exit 1 ;;
  esac
  libraries=$(ldd "$file")
  if grep -e "not found" <<<"$libraries" || grep -Fe "$build" <<<"$libraries"; then
    echo "$file needs libraries from outside the installed tree"; exit 1
  fi
done < <(find "$prefix" -type f)

echo "-- versions"
[ "$("$prefix/bin/qvhost" --version)" = "qvhost $version" ] || { echo "qvhost --version is wrong"; exit 1; }
[ "$("$prefix/bin/paktool" --version)" = "paktool $version" ] || { echo "paktool --version is wrong"; exit 1; }

echo "-- qvhost formats, with the installed plug-in found by qvhost"
formats=$("$prefix/bin/qvhost" formats)
echo "$formats"
grep -q 'name "Windows Media Video (\*.WMV)"' <<<"$formats" || { echo "the plug-in's name is missing"; exit 1; }

echo "-- the main job from the installed tree"
QV_HOST="$prefix/bin/qvhost" bash "$source_dir/scripts/main-job.d/20-wmv.sh"
QV_PAKTOOL="$prefix/bin/paktool" QV_LAUNCHER="$plugindir/unpackrun" bash "$source_dir/scripts/main-job.d/10-setup.sh"
