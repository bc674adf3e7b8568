#!/usr/bin/env bash
# The test run's own machinery, one table per rule: the parts and their summary
# (scripts/part.sh), ctest's counts, the README examples' matching
# (scripts/readme-examples.sh) and the check that vector code stays in scan/. Usage: ScriptsTest.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() {  # DESCRIPTION ACTUAL EXPECTED
  if [[ "$2" != "$3" ]]; then
    printf 'FAILED: %s\n  actual:   %q\n  expected: %q\n' "$1" "$2" "$3" >&2
    failures=$((failures + 1))
  fi
}

# A part that fails stops no later part; NOT RUN fails nothing; the last line counts parts.
# Each row: the parts as "EXIT[:RESULT]", joined by "+"; the summary's lines after its
# header, blanks squeezed; its status.
summary_of() {
  (
    source "$source_dir/scripts/part.sh"
    for entry in "$@"; do
      result=
      [[ "$entry" == *:* ]] && result=${entry#*:}
      part "p${entry%%:*}" -- bash -c \
        '[[ -n "$2" ]] && echo "$2" >"$TORK_PART_RESULT"; exit "$1"' _ "${entry%%:*}" "$result"
    done
    summary | tail -n +3 | tr -s ' ' | sed -E 's/ \[[0-9]+ min [0-9]{2} s\]$//'
    echo "status ${PIPESTATUS[0]}"
  ) 2>/dev/null
}
rows=(
  "0+0|p0: passed;p0: passed;2 passed, 0 failed;status 0"
  "0+1+0|p0: passed;p1: FAILED (exit 1);p0: passed;2 passed, 1 failed;status 1"
  "75:no Wine+0|p75: NOT RUN: no Wine;p0: passed;1 passed, 0 failed, 1 skipped;status 0"
  "0:12 passed, 0 failed|p0: passed: 12 passed, 0 failed;1 passed, 0 failed;status 0"
  "2+75|p2: FAILED (exit 2);p75: NOT RUN;0 passed, 1 failed, 1 skipped;status 1"
)
for row in "${rows[@]}"; do
  IFS='+' read -r -a entries <<<"${row%%|*}"
  expect "summary of ${row%%|*}" "$(summary_of "${entries[@]}" | paste -sd ';')" "${row#*|}"
done

# Every line tells the time its part took, and the last the whole run's.
expect "times in the summary" "$(
  source "$source_dir/scripts/part.sh"
  part one -- true 2>/dev/null
  summary | tail -n +3 | tr -s ' ' | sed -E 's/[0-9]+ min [0-9]{2} s/T/'
)" "$(printf 'one: passed [T]\n1 passed, 0 failed [T]')"

# With a time limit, a part past it is not run and a program running past it is stopped;
# a shell function cannot be stopped and runs to its end.
expect "parts at the time limit" "$(
  export TORK_TEST_TIME_LIMIT=3
  source "$source_dir/scripts/part.sh"
  sleeps() { sleep 4; }
  part function -- sleeps 2>/dev/null
  part late -- true 2>/dev/null
  echo "${part_states[*]}|${part_results[1]}"
)" "passed NOT RUN|no time left: the run's limit of 3 s was used"
expect "a program stopped at the time limit" "$(
  export TORK_TEST_TIME_LIMIT=3
  source "$source_dir/scripts/part.sh"
  part program -- bash -c 'echo 3 passed >"$TORK_PART_RESULT"; sleep 9' 2>/dev/null
  echo "${part_states[*]}|${part_results[0]}|$((part_seconds[0] < 6))"
)" "NOT RUN|stopped at the run's limit of 3 s; 3 passed|1"

# A part stops at its first failing command, a shell function's too, and has failed.
stops_early() {
  false
  echo "went on" >&2
}
expect "a part stopped early" "$(
  source "$source_dir/scripts/part.sh"
  part script -- bash -c 'set -e; false; exit 0' 2>/dev/null
  part function -- stops_early 2>/dev/null
  echo "${part_states[*]}"
)" "FAILED (exit 1) FAILED (exit 1)"

# ctest's closing count becomes "N passed, N failed".
count_rows=(
  "100% tests passed, 0 tests failed out of 425|425 passed, 0 failed"
  "99% tests passed, 1 tests failed out of 273|272 passed, 1 failed"
  "0% tests passed, 1 test failed out of 1|0 passed, 1 failed"
  "No tests were found!!!|no test ran"
)
for row in "${count_rows[@]}"; do
  printf 'Start 1: x\n%s\n\nTotal Test time (real) = 1 sec\n' "${row%%|*}" >"$work/ctest.log"
  expect "ctest count of ${row%%|*}" \
    "$(source "$source_dir/scripts/part.sh"; ctest_counts "$work/ctest.log")" "${row#*|}"
done

# The examples of the README and docs/: "..." stands for any number of lines, nothing else
# does, and the text under an example ends at the next command, comment or paragraph, or at
# the end of its page.
mkdir -p "$work/tree/scripts" "$work/tree/docs"
cp "$source_dir/scripts/part.sh" "$source_dir/scripts/readme-examples.sh" "$work/tree/scripts/"
cat >"$work/tree/README.md" <<'EOF'
Text.

    $ build-program/bin/subplay one
    a
    ...
    d

    e
    $ build-program/bin/subplay two
    x
    # a comment
    $ build-program/bin/subplay three
    t
EOF
cat >"$work/tree/docs/page.md" <<'EOF'
    stray
Prose.

    $ build-program/bin/subplay four
    q
EOF
matches() {  # COMMAND LINES...
  printf '%s\n' "${@:2}" >"$work/printed"
  "$work/tree/scripts/readme-examples.sh" --matches "build-program/bin/subplay $1" "$work/printed" \
    >/dev/null 2>&1 &&
    echo yes || echo no
}
match_rows=(
  "one|a;d;;e|yes"
  "one|a;b;c;d;;e|yes"
  "one|a;d;d;;e|yes"  # "..." takes the first d, then the second must follow
  "one|a;b;;e|no"
  "one|a;d;;e;f|no"
  "one|a;d;e|no"      # the blank line is kept
  "two|x|yes"
  "two|x;# a comment|no"
  "three|t|yes"        # the README's end ends it: the next page's block is not its output
  "four|q|yes"         # an example of docs/
  "five|x|no"          # no such example
)
for row in "${match_rows[@]}"; do
  IFS='|' read -r command lines verdict <<<"$row"
  IFS=';' read -r -a printed <<<"$lines"
  expect "$command against [$lines]" "$(matches "$command" "${printed[@]}")" "$verdict"
done

# A whole run: each example is run in a folder of its own and compared; one that prints
# otherwise fails the run.
mkdir -p "$work/tree/build-program/bin" "$work/tree/examples"
cat >"$work/tree/build-program/bin/subplay" <<'EOF'
#!/bin/sh
case $1 in
  one) printf 'a\nb\nd\n\ne\n' ;;
  two) echo y; touch written ;;
  three) echo t ;;
  four) echo q ;;
esac
EOF
chmod +x "$work/tree/build-program/bin/subplay"
run_result=$(cd "$work/tree" && TORK_PART_RESULT=$work/result scripts/readme-examples.sh \
  >/dev/null 2>&1; echo "status $?")
expect "a run with one example printing otherwise" "$run_result" "status 1"
expect "its result" "$(cat "$work/result")" \
  "3 of 4 subplay examples of the README and docs print what they show"
expect "files written stay in the example's folder" "$(ls "$work/tree")" \
  "$(printf 'README.md\nbuild-program\ndocs\nexamples\nscripts')"

# Vector code stays in scan/: each row a file, its one line, and the check's status.
for row in \
  "scan/Sse2.h|#include <emmintrin.h>|0" \
  "text/Fast.cpp|#include <immintrin.h>|1" \
  "microdvd/Lines.h|#if defined(__SSE2__)|1" \
  "tools/Out.cpp|  const __m128i x = _mm_set1_epi8(1);|1" \
  "logging/Clock.cpp|const hh_mm_ss clock{};|0"; do
  IFS='|' read -r file line status <<<"$row"
  tree=$work/seam
  rm -rf "$tree" && mkdir -p "$tree/scripts" "$tree/$(dirname "$file")"
  cp "$source_dir/scripts/scan-check.sh" "$tree/scripts/"
  echo "$line" >"$tree/$file"
  git -C "$tree" init -q && git -C "$tree" add -A
  expect "the seam check with $file: $line" \
    "$(scripts=$tree/scripts; "$scripts/scan-check.sh" >/dev/null 2>&1; echo $?)" "$status"
done

if [[ $failures -gt 0 ]]; then
  echo "$failures failed" >&2
  exit 1
fi
