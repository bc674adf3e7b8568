#!/usr/bin/env bash
# The demos the README shows, run as a user who has only cloned the repository would run
# them: scripts/demo.sh, whose SubRip must be what the README prints for it;
# scripts/gst-demo.sh, which checks its own PNG; and the subplay examples of the README and
# docs/, run with the subplay that the demo built, each compared with the output shown.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/part.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

demo_prints_the_readme_subrip() {
  scripts/demo.sh >"$work/demo.srt" &&
    scripts/readme-examples.sh --matches "build-program/bin/subplay --format srt examples/lighthouse.sub" \
      "$work/demo.srt"
}
gst_demo_draws_the_frame() {
  [[ "$(scripts/gst-demo.sh "$work/frame.png")" == "$work/frame.png" ]]
}
readme_examples_match() {
  TORK_PART_RESULT=$work/examples scripts/readme-examples.sh build-program/bin/subplay
}

step "scripts/demo.sh" -- demo_prints_the_readme_subrip
step "scripts/gst-demo.sh" -- gst_demo_draws_the_frame
step "README examples" -- readme_examples_match
examples=$(cat "$work/examples" 2>/dev/null || echo "README examples not run")
if [[ ${#steps_failed[@]} -gt 0 ]]; then
  part_result "failed: $(IFS=,; echo "${steps_failed[*]}"); $examples"
  exit 1
fi
part_result "demo.sh prints the README's SubRip; gst-demo.sh drew a 640x360 PNG; $examples"
