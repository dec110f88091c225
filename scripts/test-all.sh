#!/usr/bin/env bash
# Installs what is missing, builds every build and runs every test: the Linux tests
# natively, the x86_64 Windows build's under wine64, and a 32-bit run. The 32-bit run
# is the shipped i686 build under 32-bit Wine where this kernel runs 32-bit programs;
# where it does not (machines of one kind differ), a 32-bit Linux build under
# qemu-i386-static, without the slow end-to-end export cases.
set -euo pipefail
cd "$(dirname "$0")/.."

timings=()
stage_start=0
stage() {
  stage_name=$1
  stage_start=$SECONDS
  echo "== $stage_name"
}
stage_end() {
  local took=$((SECONDS - stage_start))
  timings+=("$(printf '%5d s  %s' "$took" "$stage_name")")
  echo "== $stage_name: ${took} s"
}

stage "check: does this kernel run 32-bit programs"
if answer=$(scripts/kernel-runs-i386.sh); then
  export QV_I386_RUN=wine
  i386_why="32-bit run: the shipped i686 build under 32-bit Wine, because this kernel runs 32-bit programs ($answer)"
  i386_presets=(win32-tests)
else
  export QV_I386_RUN=qemu
  i386_why="32-bit run: a 32-bit Linux build under qemu-i386-static, because this kernel runs no 32-bit programs ($answer)"
  i386_presets=(linux-i686)
fi
echo "$i386_why"
stage_end

stage "install: missing packages"
scripts/install-deps.sh
stage_end

# win32 before win32-tests: those tests load and start the shipped files.
for preset in linux win32 win64 "${i386_presets[@]}"; do
  stage "build: $preset"
  scripts/build.sh "$preset"
  stage_end
done

# Packagers and most users build with CMake's default generator, Unix Makefiles. Where
# it differs from Ninja is in the fuzzers' own compile rules, so the smallest fuzzer
# (a minute; the plug-in's would cost the plug-in and runtime builds again) is built so.
stage "build: the archive fuzzer with Unix Makefiles"
cmake -S . -B build/makefiles -G "Unix Makefiles" -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build/makefiles -j "$(nproc)" --target pak_fuzzer
stage_end

stage "check: the shipped 32-bit build"
scripts/check-win32.sh
stage_end

status=0
run_tests() {
  stage "tests: $1 ($2)"
  ctest --preset "$1" -j "$(nproc)" || status=1
  stage_end
}
run_tests linux native
run_tests win64 "under wine64"
case $QV_I386_RUN in
wine) run_tests win32-tests "the shipped i686 plug-in and launcher under 32-bit Wine" ;;
qemu) run_tests linux-i686 "32-bit Linux under qemu-i386-static" ;;
esac

echo "== time of each stage"
printf '%s\n' "${timings[@]}"
echo "== $i386_why"
exit $status
