#!/usr/bin/env bash
# Vector instructions live only in scan/, behind its portable twins: fails naming any other
# source file that includes an intrinsics header, tests an instruction-set macro or calls an
# intrinsic.
set -euo pipefail
cd "$(dirname "$0")/.."
pattern='<[a-z0-9]*intrin\.h>|__(SSE[0-9_]*|AVX[0-9A-Z_]*|ARM_NEON)__|\b_mm(256|512)?_[a-z]'
found=$(git ls-files -- '*.h' '*.hpp' '*.c' '*.cc' '*.cpp' ':!scan/' |
  xargs -r grep -nE "$pattern" -- || true)
if [[ -n $found ]]; then
  echo "$found" >&2
  echo "vector code outside scan/: move it behind a kernel there" >&2
  echo "outside scan/" >"${TORK_PART_RESULT:-/dev/null}"
  exit 1
fi
count=$(git ls-files -- scan/ | wc -l)
echo "intrinsics only in scan/ ($count files)" >"${TORK_PART_RESULT:-/dev/null}"
echo "intrinsics only in scan/" >&2
