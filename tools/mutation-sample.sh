#!/usr/bin/env bash
# Measures what the test suite catches: applies one small fault at a time from a list, rebuilds,
# runs the tests and says whether they caught it ("killed") or not ("survived").
#
#   tools/mutation-sample.sh [LIST] [BUILD_DIR]
#
# LIST defaults to tools/mutation-list.txt (its head describes the format), BUILD_DIR to
# build-mutation. The build tree is configured on the first run: no sanitizers, -O1, the dialog
# program and its Qt Test suite included, linked with lld when there is one. Building and
# testing run under `nice -n 15`, two jobs at most.
#
# For each mutation: the line is replaced, the tests are rebuilt incrementally (a build that
# fails counts as "killed (build)"), velmora_tests runs with --gtest_fail_fast, and if it passes
# the Qt Test suite (velmora_gui_tests, offscreen) runs too, so a survivor has passed the whole
# suite. A run that takes longer than MUTATION_TIMEOUT seconds (default: four times the clean
# tests, at least 120) is stopped and counts as "killed (timeout)". The file is restored after
# every mutation, on an error and on Ctrl-C; the script checks with git that nothing stays
# changed. The listed files must be unchanged against HEAD when the run starts.
#
# Environment:
#   MUTATION_ONLY="3 17"   run only these entries (numbered from 1 in list order)
#   MUTATION_TIMEOUT=300   seconds a test run may take
#   MUTATION_CHECK=1       only check the list (every line present exactly once) and stop
#
# Output: one line per mutation, then the totals and the totals per folder of src. The logs of
# each build and test run are kept in BUILD_DIR/mutation-logs. The result of a run on main is
# kept in docs/mutation-sample.md; to record a new one:
#   tools/mutation-sample.sh | tee /tmp/mutation-result.txt
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$top/tools/mutation-list.txt}
build=${2:-$top/build-mutation}
case "$build" in /*) ;; *) build=$PWD/$build ;; esac
case "$list" in /*) ;; *) list=$PWD/$list ;; esac
logs=$build/mutation-logs

die() { echo "mutation-sample: $*" >&2; exit 2; }
[ -f "$list" ] || die "no list file $list"
cd "$top" || die "cannot enter $top"

# ---- the list ---------------------------------------------------------------------------------
# Parsed into parallel arrays; a malformed block becomes an entry with a reason to refuse it.
paths=() originals=() replacements=() notes=() problems=()
add_entry() {  # path original replacement note problem
  paths+=("$1") originals+=("$2") replacements+=("$3") notes+=("$4") problems+=("$5")
}
parse_list() {
  local state=path note="" path="" original="" line
  while IFS= read -r line || [ -n "$line" ]; do
    case $state in
      path)
        if [ -z "$line" ]; then note=""; continue; fi
        if [[ $line == \#* ]]; then note=${line#\#}; note=${note# }; continue; fi
        path=$line state=original ;;
      original)
        if [ -z "$line" ]; then
          add_entry "$path" "" "" "$note" "no original line"; state=path note=""
        else
          original=$line state=replacement
        fi ;;
      replacement)
        if [ -z "$line" ]; then
          add_entry "$path" "$original" "" "$note" "no replacement line"
          state=path note=""
        else
          add_entry "$path" "$original" "$line" "$note" ""
          state=end
        fi ;;
      end)
        if [ -n "$line" ]; then
          problems[${#problems[@]}-1]="more than three lines in the entry"
          state=skip
        else
          state=path note=""
        fi ;;
      skip) [ -z "$line" ] && state=path note="" ;;
    esac
  done <"$list"
  case $state in
    original) add_entry "$path" "" "" "$note" "no original line" ;;
    replacement) add_entry "$path" "$original" "" "$note" "no replacement line" ;;
  esac
}

count_lines() {  # file line -> how many whole lines equal it
  ORIG=$2 awk '$0 == ENVIRON["ORIG"] { n++ } END { print n + 0 }' "$1"
}
line_number() {  # file line -> its line number
  ORIG=$2 awk '$0 == ENVIRON["ORIG"] { print NR; exit }' "$1"
}

validate() {
  local i n
  for i in "${!paths[@]}"; do
    [ -n "${problems[i]}" ] && continue
    if [ ! -f "${paths[i]}" ]; then
      problems[i]="no file ${paths[i]}"
      continue
    fi
    n=$(count_lines "${paths[i]}" "${originals[i]}")
    if [ "$n" -eq 0 ]; then
      problems[i]="the line is not in the file"
    elif [ "$n" -gt 1 ]; then
      problems[i]="the line occurs $n times"
    elif [ "${originals[i]}" == "${replacements[i]}" ]; then
      problems[i]="the replacement equals the line"
    fi
  done
}

# ---- restoring --------------------------------------------------------------------------------
backup=$(mktemp -t mutation-backup.XXXXXX) || die "no temporary file"
mutated=""  # the file that holds a mutation right now
restore() {
  if [ -n "$mutated" ] && [ -s "$backup" ]; then
    # Written in place (not copied with its old time), so the next build recompiles it.
    cat "$backup" >"$mutated"
    mutated=""
  fi
}
on_exit() {
  restore
  rm -f "$backup"
  if [ "${#paths[@]}" -gt 0 ] && ! git diff --quiet -- "${paths[@]}" 2>/dev/null; then
    echo "mutation-sample: WARNING: listed files differ from HEAD after restoring:" >&2
    git diff --stat -- "${paths[@]}" >&2
  fi
}
trap on_exit EXIT
trap 'echo; echo "mutation-sample: interrupted, file restored" >&2; exit 130' INT TERM HUP

apply_mutation() {  # index
  local file=${paths[$1]}
  cp "$file" "$backup" || return 1
  mutated=$file
  ORIG=${originals[$1]} REPL=${replacements[$1]} awk \
    '$0 == ENVIRON["ORIG"] { print ENVIRON["REPL"]; next } { print }' "$backup" >"$file"
}

# ---- building and testing ---------------------------------------------------------------------
configure() {
  [ -f "$build/build.ninja" ] && return 0
  local linker=()
  command -v ld.lld >/dev/null && linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
  nice -n 15 cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O1 \
    -DVELMORA_SANITIZE=OFF -DVELMORA_WERROR=OFF -DVELMORA_GUI=ON -DVELMORA_TESTS=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "${linker[@]}" >"$logs/configure.log" 2>&1 ||
    die "configuring $build failed (see $logs/configure.log)"
}

# Builds one test binary; 0 when it built. `rebuilt` says whether anything had to be built for it:
# a binary the mutation does not reach runs as it did in the clean run, so it is not run again.
rebuilt=1
build_target() {  # target log
  local output rc
  output=$(nice -n 15 cmake --build "$build" -j2 --target "$1" 2>&1)
  rc=$?
  printf '%s\n' "$output" >>"$2"
  rebuilt=1
  [[ $output == *"ninja: no work to do."* ]] && rebuilt=0
  return $rc
}

timeout_seconds=${MUTATION_TIMEOUT:-}
killer=""  # the test that failed, or what stopped the run

# Runs one test binary; 0 when every test passed. Sets `killer` otherwise.
run_binary() {  # log binary [args]
  local log=$1 binary=$2 rc
  shift 2
  (cd "$build" && QT_QPA_PLATFORM=offscreen timeout -k 10 "${timeout_seconds:-3600}" \
    nice -n 15 "$binary" "$@") >>"$log" 2>&1
  rc=$?
  [ "$rc" -eq 0 ] && return 0
  local last_started failed
  # GoogleTest: "[  FAILED  ] Suite.Name"; Qt Test: "FAIL!  : Class::function()".
  failed=$(grep -m1 -E '^\[  FAILED  \] [A-Za-z_]|^FAIL!  : ' "$log" |
    sed -E 's/^\[  FAILED  \] ([^ ,]+).*/\1/; s/^FAIL!  : ([^ ]+).*/\1/')
  last_started=$(grep -E '^\[ RUN      \] |^PASS   : ' "$log" | tail -1 |
    sed -E 's/^\[ RUN      \] //; s/^PASS   : ([^ ]+).*/after \1/')
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    killer="timeout${last_started:+ in $last_started}"
  elif [ -n "$failed" ]; then
    killer=$failed
  elif [ "$rc" -gt 128 ]; then
    killer="signal $((rc - 128))${last_started:+ in $last_started}"
  else
    killer="exit status $rc"
  fi
  return 1
}

# One test binary of the suite: built, then run unless the mutation left it as it was. Prints
# "killed<TAB>what" and returns 1 when the mutation was caught.
run_part() {  # log target [args]
  local log=$1 target=$2
  shift 2
  if ! build_target "$target" "$log"; then
    printf 'killed (build)\t%s does not compile\n' "$target"
    return 1
  fi
  if [ "$rebuilt" -eq 0 ] && [ -z "$clean_run" ]; then
    echo "$target: unchanged by the mutation, not run again" >>"$log"
    return 0
  fi
  killer=""
  run_binary "$log" "./$target" "$@" && return 0
  if [[ $killer == timeout* ]]; then
    printf 'killed (timeout)\t%s\n' "$killer"
  else
    printf 'killed\t%s\n' "$killer"
  fi
  return 1
}

# The whole suite: the GoogleTest binary first, stopping at its first failure, then the Qt
# Test binary. Prints "killed<TAB>what" or "survived"; the log gets the builds and the runs.
gui=0
clean_run=""
run_suite() {  # log
  run_part "$1" velmora_tests --gtest_fail_fast || return
  if [ "$gui" -eq 1 ]; then
    run_part "$1" velmora_gui_tests || return
  fi
  echo "survived"
}

folder_of() {  # src/pipeline/x.cc -> pipeline
  local rest=${1#src/}
  [ "$rest" != "$1" ] && echo "${rest%%/*}" || echo "${1%%/*}"
}

# ---- the run ----------------------------------------------------------------------------------
parse_list
[ "${#paths[@]}" -gt 0 ] || die "the list $list holds no entries"
validate

selected=()
for i in "${!paths[@]}"; do
  if [ -n "${MUTATION_ONLY:-}" ] && [[ " $MUTATION_ONLY " != *" $((i + 1)) "* ]]; then continue; fi
  selected+=("$i")
done

if [ -n "${MUTATION_CHECK:-}" ]; then
  bad=0
  for i in "${selected[@]}"; do
    if [ -n "${problems[i]}" ]; then
      printf '%3d invalid  %s: %s\n' $((i + 1)) "${paths[i]}" "${problems[i]}"
      bad=$((bad + 1))
    fi
  done
  echo "${#selected[@]} entries, $bad invalid"
  [ "$bad" -eq 0 ]
  exit
fi

for i in "${selected[@]}"; do
  [ -n "${problems[i]}" ] && continue
  git diff --quiet HEAD -- "${paths[i]}" ||
    die "${paths[i]} has changes of its own: commit or stash them first"
done

mkdir -p "$logs"
configure
grep -q '^VELMORA_GUI:BOOL=ON' "$build/CMakeCache.txt" && gui=1

started=$(date +%s)
echo "Mutation sample: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD)" \
  "($(git log -1 --format=%s | cut -c1-60))"
echo "List: ${list#"$top"/}, ${#selected[@]} entries; build: ${build#"$top"/}"

# The suite must pass as it is, or no mutation can be told apart.
clean_started=$(date +%s)
: >"$logs/clean.log"
clean_run=1
result=$(run_suite "$logs/clean.log")
clean_run=""
clean_seconds=$(($(date +%s) - clean_started))
[ "$result" == survived ] || die "the clean suite does not pass ($result); see $logs/clean.log"
if [ -z "$timeout_seconds" ]; then
  # Four times what the clean tests took (their own totals, without the build), at least 120 s.
  clean_test_seconds=$(awk '
    /^\[==========\] / && match($0, /\(([0-9]+) ms total\)/) { ms += substr($0, RSTART + 1, RLENGTH - 11) }
    /^Totals: / && match($0, /, [0-9]+ms$/) { ms += substr($0, RSTART + 2, RLENGTH - 4) }
    END { print int(ms / 1000) + 1 }' "$logs/clean.log")
  timeout_seconds=$((clean_test_seconds * 4 > 120 ? clean_test_seconds * 4 : 120))
fi
echo "Clean build and suite: ${clean_seconds}s; timeout per test run: ${timeout_seconds}s"
echo

declare -A folder_total=() folder_killed=()
killed=0 survived=0 build_killed=0 timeouts=0 invalid=0
survivors=()
for i in "${selected[@]}"; do
  n=$((i + 1))
  file=${paths[i]}
  if [ -n "${problems[i]}" ]; then
    printf '%3d invalid   %s: %s\n' "$n" "$file" "${problems[i]}"
    invalid=$((invalid + 1))
    continue
  fi
  at=$(line_number "$file" "${originals[i]}")
  log=$logs/$(printf '%03d' "$n").log
  printf 'mutation %d: %s:%s\n- %s\n+ %s\n' "$n" "$file" "$at" "${originals[i]}" \
    "${replacements[i]}" >"$log"
  one_started=$(date +%s)
  if apply_mutation "$i"; then
    result=$(run_suite "$log")
  else
    result=$'invalid\tcould not write the file'
  fi
  by=${result#*$'\t'}
  [ "$by" == "$result" ] && by=""
  result=${result%%$'\t'*}
  restore
  git diff --quiet -- "$file" || die "$file was not restored; stopping"
  seconds=$(($(date +%s) - one_started))
  folder=$(folder_of "$file")
  folder_total[$folder]=$((${folder_total[$folder]:-0} + 1))
  case $result in
    killed*)
      killed=$((killed + 1))
      folder_killed[$folder]=$((${folder_killed[$folder]:-0} + 1))
      [[ $result == "killed (build)"* ]] && build_killed=$((build_killed + 1))
      [[ $result == "killed (timeout)"* ]] && timeouts=$((timeouts + 1)) ;;
    survived)
      survived=$((survived + 1))
      survivors+=("$n") ;;
    *)
      invalid=$((invalid + 1))
      folder_total[$folder]=$((${folder_total[$folder]} - 1)) ;;
  esac
  printf '%3d %-16s %-44s %4ss  %s%s\n' "$n" "$result" "$file:$at" "$seconds" \
    "${by:+by $by; }" "${notes[i]}"
done

elapsed=$(($(date +%s) - started))
echo
counted=$((killed + survived))
echo "Totals: $killed killed of $counted ($build_killed by the build, $timeouts by a timeout)," \
  "$survived survived, $invalid invalid"
echo "Per folder (killed/total):"
for folder in $(printf '%s\n' "${!folder_total[@]}" | sort); do
  printf '  %-10s %d/%d\n' "$folder" "${folder_killed[$folder]:-0}" "${folder_total[$folder]}"
done
if [ "${#survivors[@]}" -gt 0 ]; then
  echo "Survivors:"
  for n in "${survivors[@]}"; do
    i=$((n - 1))
    printf '  %3d %s: %s\n      - %s\n      + %s\n' "$n" "${paths[i]}" "${notes[i]}" \
      "${originals[i]}" "${replacements[i]}"
  done
fi
echo "Run time: $((elapsed / 60))m $((elapsed % 60))s"
