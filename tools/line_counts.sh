#!/usr/bin/env bash
# line_counts.sh [ROOT]: code lines (src/, bench/, tools/), test lines (tests/) and their ratio.
# Counts non-blank lines that are not only a comment, in C++ sources and headers, shell scripts and
# CMake files (data such as golden frames and recordings is not counted).
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.cmake' -o -name CMakeLists.txt \) \
    -print0 2>/dev/null | xargs -0 -r awk '
      FNR == 1 { cpp = FILENAME ~ /\.(cpp|h)$/; block = 0 }
      {
        line = $0
        gsub(/^[ \t]+|[ \t\r]+$/, "", line)
        if (cpp) {
          if (block) { if (line ~ /\*\//) { block = 0; sub(/.*\*\//, "", line) } else next }
          if (line ~ /^\/\*/ && line !~ /\*\//) { block = 1; next }
          if (line ~ /^\/\*.*\*\/$/ || line ~ /^\/\//) next
        } else if (line ~ /^#/) next
        if (line != "") n++
      }
      END { print n + 0 }' | awk '{ s += $1 } END { print s + 0 }'
}

code=$(count src bench tools)
tests=$(count tests)
echo "code lines:  $code (src/, bench/, tools/)"
echo "test lines:  $tests (tests/)"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "tests/code:  %.2f\n", c ? t / c : 0 }'
