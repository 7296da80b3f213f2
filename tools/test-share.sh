#!/usr/bin/env bash
# Counts the lines of code and of tests under src, per folder, and the tests' share of the code.
#
#   tools/test-share.sh [REV]
#
# Tests are every *_test.cc, the test kit (src/testing), and the test programs' own mains and
# support headers (*test_support.h, *tests_main.cc, gui_tests.h); code is every other .cc and .h
# under src. With REV the count is taken from that commit instead of the working tree.
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-}

list_files() {
  if [ -n "$rev" ]; then git ls-tree -r --name-only "$rev" -- src; else git ls-files src; fi
}
lines_of() {
  if [ -n "$rev" ]; then git show "$rev:$1" | wc -l; else wc -l <"$1"; fi
}

declare -A code tests
while IFS= read -r f; do
  case $f in *.cc | *.h) ;; *) continue ;; esac
  folder=${f#src/}
  folder=${folder%%/*}
  n=$(lines_of "$f")
  if [[ $f == *_test.cc || $f == src/testing/* || $f == *test_support.h || $f == *tests_main.cc ||
    $f == */gui_tests.h ]]; then
    tests[$folder]=$((${tests[$folder]:-0} + n))
  else
    code[$folder]=$((${code[$folder]:-0} + n))
  fi
done < <(list_files)

total_code=0 total_tests=0
printf '%-10s %7s %7s %6s\n' folder code tests share
for folder in $(printf '%s\n' "${!code[@]}" "${!tests[@]}" | sort -u); do
  c=${code[$folder]:-0} t=${tests[$folder]:-0}
  total_code=$((total_code + c)) total_tests=$((total_tests + t))
  share=-
  [ "$c" -gt 0 ] && share=$((100 * t / c))%
  printf '%-10s %7d %7d %6s\n' "$folder" "$c" "$t" "$share"
done
printf '%-10s %7d %7d %5d%%\n' total "$total_code" "$total_tests" $((100 * total_tests / total_code))
