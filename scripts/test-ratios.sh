#!/usr/bin/env bash
# Prints how much test code there is against the product code, counting the committed lines of
# .c, .cpp, .h and .in files under src/ and tools/ as the product; the files that assert are the
# *_test.cpp files and the end-to-end scripts in tests/e2e/.
set -euo pipefail
cd "$(dirname "$0")/.."
product=$(git ls-files src tools | grep -E '\.(c|cpp|h|in)$' | xargs cat | wc -l)
asserting=$(git ls-files tests | grep -E '_test\.cpp$|^tests/e2e/.*\.sh$' | xargs cat | wc -l)
all=$(git ls-files tests | xargs cat | wc -l)
ratio() { awk -v a="$1" -v b="$product" 'BEGIN { printf "%.2f", a / b }'; }
echo "product code:         $product lines"
echo "files that assert:    $asserting lines, $(ratio "$asserting") x (aim: at most 0.4 x)"
echo "tests/ as a whole:    $all lines, $(ratio "$all") x (aim: at most 0.9 x)"
