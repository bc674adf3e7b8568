#!/usr/bin/env bash
# Runs the subplay examples of the README and of docs/*.md and compares what each prints with
# what the page shows under it, so that the two cannot drift: readme-examples.sh [SUBPLAY]
# SUBPLAY (default build-program/bin/subplay, where scripts/demo.sh builds it) stands in for
# build-program/bin/subplay. An example is an indented `$ build-program/bin/subplay ...` line;
# the indented lines after it, up to the next `$` or `#` line or the end of the block, are its
# standard output and error, where a line `...` stands for any number of lines. Each runs in a
# folder of its own (files it writes stay there) that holds the repository's examples/ and
# build-program/bin/subplay; its exit status is not checked, as some show a refusal. An
# example that shows no output is not run.
#
#   readme-examples.sh --matches COMMAND FILE
#
# only compares FILE with what the pages show under `$ COMMAND`.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
shopt -s nullglob
pages=(README.md docs/*.md)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Writes each example of the pages as N.command, N.expected and N.page into the folder DIR.
extract() {
  awk -v dir="$1" '
    function finish() { blanks = 0; inside = 0 }
    FNR == 1 { finish() }
    /^    \$ build-program\/bin\/subplay / {
      finish()
      n++
      print substr($0, 7) > (dir "/" n ".command")
      print FILENAME > (dir "/" n ".page")
      printf "" > (dir "/" n ".expected")
      inside = 1
      next
    }
    !inside { next }
    /^    [$#] / || /^[^ ]/ || /^ [^ ]/ || /^  [^ ]/ || /^   [^ ]/ { finish(); next }
    /^ *$/ { blanks++; next }
    {
      for (; blanks > 0; blanks--) print "" >> (dir "/" n ".expected")
      print substr($0, 5) >> (dir "/" n ".expected")
    }
  ' "${pages[@]}"
}

# Whether the lines of ACTUAL (an array name) from index A on match those of EXPECTED from E
# on, where "..." matches any number of lines.
lines_match() {
  local e=$1 a=$2 k
  while ((e < ${#expected[@]})); do
    if [[ "${expected[$e]}" == "..." ]]; then
      e=$((e + 1))
      ((e == ${#expected[@]})) && return 0
      for ((k = a; k < ${#actual[@]}; k++)); do
        [[ "${actual[$k]}" == "${expected[$e]}" ]] && lines_match "$e" "$k" && return 0
      done
      return 1
    fi
    ((a < ${#actual[@]})) && [[ "${actual[$a]}" == "${expected[$e]}" ]] || return 1
    e=$((e + 1))
    a=$((a + 1))
  done
  ((a == ${#actual[@]}))
}

# Whether the file ACTUAL matches the file EXPECTED; if not, says how they differ.
file_matches() {
  mapfile -t expected <"$1"
  mapfile -t actual <"$2"
  lines_match 0 0 && return 0
  diff -u --label "$(<"${1%.expected}.page")" --label "printed" "$1" "$2" >&2 || true
  return 1
}

extract "$work"
if [[ "${1:-}" == "--matches" ]]; then
  for command in "$work"/*.command; do
    [[ "$(<"$command")" == "$2" ]] || continue
    file_matches "${command%.command}.expected" "$3"
    exit
  done
  echo "readme-examples.sh: no page shows an example \$ $2" >&2
  exit 1
fi

subplay=$(realpath "${1:-build-program/bin/subplay}")
count=0
failed=0
for command in "$work"/*.command; do
  example=${command%.command}
  [[ -s "$example.expected" ]] || continue
  count=$((count + 1))
  folder=$example.run
  mkdir -p "$folder/build-program/bin"
  ln -s "$PWD/examples" "$folder/examples"
  ln -s "$subplay" "$folder/build-program/bin/subplay"
  echo "\$ $(<"$command")" >&2
  (cd "$folder" && bash -c "$(<"$command")" >"$example.printed" 2>&1) || true
  if ! file_matches "$example.expected" "$example.printed"; then
    echo "$(<"$example.page")'s example \$ $(<"$command") prints otherwise" >&2
    failed=$((failed + 1))
  fi
done
if ((count == 0)); then
  part_result "no subplay example found in the README or docs"
  exit 1
fi
part_result "$((count - failed)) of $count subplay examples of the README and docs print what they show"
((failed == 0))
