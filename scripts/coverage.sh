#!/usr/bin/env bash
# Line and branch coverage of the product code by the Linux tests: builds the coverage
# preset (build/coverage: Debug, --coverage), runs every test from fresh counters, and
# prints the lines and branches taken in each folder, then in all. Tests, fuzzers and
# benchmarks are not counted. Further arguments go to ctest (e.g. -R launcher).
#   scripts/coverage.sh [ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null || scripts/install-deps.sh
build=build/coverage
cmake --preset coverage >/dev/null
cmake --build --preset coverage -j "$(nproc)"
find "$build" -name '*.gcda' -delete
status=0
ctest --preset coverage -j "$(nproc)" "$@" || status=$?

# The fuzzers are compiled by clang, whose counters GCC's gcov does not read; CMake's
# compiler checks are no code of ours.
gcovr --root . --exclude-directories "$build/(fuzz|CMakeFiles)" --exclude '(tests|fuzz|bench|build)/' \
  --json-summary "$build/coverage.json" -j "$(nproc)" "$build" >/dev/null
python3 - "$build/coverage.json" <<'EOF'
import json, sys
folders = {}
for entry in json.load(open(sys.argv[1]))["files"]:
    parts = entry["filename"].split("/")
    folder = "/".join(parts[:2] if parts[0] == "platform" and len(parts) > 2 else parts[:1])
    total = folders.setdefault(folder, [0, 0, 0, 0])
    for i, key in enumerate(("line_covered", "line_total", "branch_covered", "branch_total")):
        total[i] += entry[key]
def show(name, covered, lines, taken, branches):
    pct = lambda a, b: f"{100 * a / b:5.1f}%" if b else "    -"
    print(f"{name:16} lines {pct(covered, lines)} ({covered}/{lines})  branches {pct(taken, branches)} ({taken}/{branches})")
for name in sorted(folders):
    show(name, *folders[name])
show("all", *[sum(v[i] for v in folders.values()) for i in range(4)])
EOF
exit $status
