# The parts of a test run and their summary; sourced by scripts/test.sh.
#
#   part NAME -- COMMAND [ARGUMENTS...]
#
# runs COMMAND and keeps one summary line for it; a part that fails stops no later part.
# COMMAND exits 0 when it passed, 75 when it could not run (its result says why) and
# anything else when it failed. It may write a one-line result (counts, seconds, why it did
# not run) to the file named by $TORK_PART_RESULT, which the summary shows beside NAME.
# Adding a part to the run is one more `part` line in scripts/test.sh.
#
#   summary
#
# prints the parts' lines, each with the time it took, and the closing `N passed, N failed`
# (`, N skipped` after it when a part could not run), and returns non-zero if any part failed.
#
# TORK_TEST_TIME_LIMIT, in seconds from when this file is sourced, bounds the whole run: a part
# that would start after it is not run, and a part that is a program (not a shell function)
# is stopped when it runs past it. Either is shown as NOT RUN with the reason, so that a run
# on a slow machine still ends with its summary. Unset, the run has no limit.

readonly PART_NOT_RUN=75
part_names=()
part_states=()
part_results=()
part_seconds=()
part_start=$SECONDS

part() {
  local name=$1
  shift
  [[ "${1:-}" == "--" ]] && shift
  local result status
  result=$(mktemp)
  echo "== $name ==" >&2
  local started=$SECONDS limit=${TORK_TEST_TIME_LIMIT:-} left=""
  [[ -n $limit ]] && left=$((limit - (SECONDS - part_start)))
  local errexit=$-
  set +e
  if [[ -n $left && $left -le 0 ]]; then
    echo "no time left: the run's limit of $limit s was used" >"$result"
    status=$PART_NOT_RUN
  elif [[ -n $left && $(type -t "$1") == file ]]; then
    # timeout signals the part's whole process group, so its builds and tests stop with it.
    (set -e; TORK_PART_RESULT=$result timeout -k 30 "$left" "$@")
    status=$?
    if [[ $status -eq 124 || ($status -eq 137 && $((SECONDS - started)) -ge $left) ]]; then
      echo "stopped at the run's limit of $limit s; $(head -n 1 "$result")" >"$result"
      status=$PART_NOT_RUN
    fi
  else
    # A subshell of its own, whose status no test checks (which would switch its -e off): a
    # part that stops early stops only itself.
    (set -e; TORK_PART_RESULT=$result "$@")
    status=$?
  fi
  [[ $errexit == *e* ]] && set -e
  part_names+=("$name")
  part_seconds+=($((SECONDS - started)))
  case $status in
    0) part_states+=("passed") ;;
    "$PART_NOT_RUN") part_states+=("NOT RUN") ;;
    *) part_states+=("FAILED (exit $status)") ;;
  esac
  part_results+=("$(head -n 1 "$result")")
  rm -f "$result"
}

summary() {
  local passed=0 failed=0 skipped=0 i line
  echo
  echo "== summary =="
  for i in "${!part_names[@]}"; do
    line=$(printf '%-22s %s' "${part_names[$i]}:" "${part_states[$i]}")
    [[ -n "${part_results[$i]}" ]] && line+=": ${part_results[$i]}"
    echo "$line [$(minutes "${part_seconds[$i]}")]"
    case ${part_states[$i]} in
      passed) passed=$((passed + 1)) ;;
      "NOT RUN") skipped=$((skipped + 1)) ;;
      *) failed=$((failed + 1)) ;;
    esac
  done
  line="$passed passed, $failed failed"
  [[ $skipped -gt 0 ]] && line+=", $skipped skipped"
  echo "$line [$(minutes $((SECONDS - part_start)))]"
  [[ $failed -eq 0 ]]
}

minutes() {
  printf '%d min %02d s' $(($1 / 60)) $(($1 % 60))
}

# For a part's own scripts: its one-line result, also shown on standard error.
part_result() {
  echo "$*" >&2
  if [[ -n "${TORK_PART_RESULT:-}" ]]; then echo "$*" >"$TORK_PART_RESULT"; fi
}

# "N passed, N failed" from the closing count of ctest's output in the file LOG.
ctest_counts() {
  local counts
  counts=$(sed -nE 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p' "$1" |
    tail -n 1)
  if [[ -z "$counts" ]]; then
    echo "no test ran"
    return
  fi
  set -- $counts
  echo "$(($2 - $1)) passed, $1 failed"
}

# Within a part's script: `step NAME -- COMMAND...` runs one check of the part and goes on
# when it fails; afterwards steps_failed lists the names of those that failed, and
# steps_count tells how many ran.
steps_count=0
steps_failed=()
step() {
  local name=$1
  shift
  [[ "${1:-}" == "--" ]] && shift
  echo "-- $name" >&2
  steps_count=$((steps_count + 1))
  if ! "$@"; then
    echo "$name: FAILED" >&2
    steps_failed+=("$name")
  fi
}
