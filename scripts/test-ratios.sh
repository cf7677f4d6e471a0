#!/usr/bin/env bash
# Prints how much test code there is against the product code, counting committed lines. The
# product is every .c, .cpp, .h and .in file under src/ and tools/. A file under tests/ asserts
# when it is a test: a *_test.cpp or *_fuzzer.cpp program, or a script or CMake file that ctest
# runs (named in an add_test). The rest is support: the fakes and helpers (tests/support/), the
# wine harness, the fixtures, the servers, the UI driver, headers, helper programs and the
# scripts that tests source, and the CMake files that declare the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() { if [ $# -gt 0 ]; then cat "$@" | wc -l; else echo 0; fi; }
product=$(git ls-files src tools | grep -E '\.(c|cpp|h|in)$' | xargs cat | wc -l)
run_by_ctest=$(git ls-files 'tests/*CMakeLists.txt' | xargs cat)
asserting=()
while read -r file; do
    case $file in
        tests/support/* | tests/harness/* | tests/fixtures/* | \
            tests/driver/*) ;;
        *_test.cpp | *_fuzzer.cpp) asserting+=("$file") ;;
        *.sh | *.py | *.cmake)
            if grep -qF "/$(basename "$file")\"" <<<"$run_by_ctest"; then asserting+=("$file"); fi
            ;;
    esac
done < <(git ls-files tests)
asserted=$(lines "${asserting[@]}")
all=$(git ls-files tests | xargs cat | wc -l)
ratio() { awk -v a="$1" -v b="$product" 'BEGIN { printf "%.2f", a / b }'; }
echo "product code:         $product lines"
echo "files that assert:    $asserted lines in ${#asserting[@]} files, $(ratio "$asserted") x (aim: at most 0.36 x)"
echo "tests/ as a whole:    $all lines, $(ratio "$all") x (aim: at most 0.75 x)"
if [ "${1:-}" = --files ]; then printf '%s\n' "${asserting[@]}"; fi
