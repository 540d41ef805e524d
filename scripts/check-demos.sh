#!/usr/bin/env bash
# Runs the README's two demo commands as a reader would (output piped) and
# fails unless each ends as the README says: the main demo updates both older
# boards, with the confirmation question shown before the first upload; the
# launcher demo lists the boards, ends with 0 and removes its unpacked tree.
# Needs root, as the demos do. CI runs it after the tests.
set -uo pipefail
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
fail() {
  echo "check-demos: $1" >&2
  failed=1
}
# Line number of the first line matching the pattern (0 when none).
first_line() { grep -n -m1 -E "$1" "$2" | cut -d: -f1 | grep . || echo 0; }

echo "== bash scripts/demo.sh"
bash scripts/demo.sh 2>&1 | tee "$out/main.txt"
status=${PIPESTATUS[0]}
[ "$status" = 0 ] || fail "scripts/demo.sh ended with $status"
asked=$(first_line '^Do you start updating\?$' "$out/main.txt")
answered=$(first_line '^answer: Yes$' "$out/main.txt")
sending=$(first_line 'Firmware data sending' "$out/main.txt")
[ "$asked" -gt 0 ] && [ "$answered" = $((asked + 1)) ] ||
  fail "scripts/demo.sh: no confirmation question followed by its answer"
grep -qx 'message: QJ-L04 is updated to Ver.5.12.' "$out/main.txt" ||
  fail "scripts/demo.sh: the question does not read as written"
[ "$sending" -gt "$answered" ] ||
  fail "scripts/demo.sh: the question (line $asked) does not come before the first upload (line $sending)"
grep -qx 'message: Updating was successful.' "$out/main.txt" ||
  fail "scripts/demo.sh: no \"Updating was successful.\""
[ "$(tail -n1 "$out/main.txt")" = "Boards 10.213.0.11 and 10.213.0.13 updated to 5.12." ] ||
  fail "scripts/demo.sh: the boards were not both updated"

echo "== bash scripts/demo.sh launcher"
bash scripts/demo.sh launcher 2>&1 | tee "$out/launcher.txt"
status=${PIPESTATUS[0]}
[ "$status" = 0 ] || fail "scripts/demo.sh launcher ended with $status"
grep -q '^Wired .* - 2 board(s) listed$' "$out/launcher.txt" ||
  fail "scripts/demo.sh launcher: the unpacked Zantor did not list both boards"
grep -qx 'fwlauncher ended with 0' "$out/launcher.txt" ||
  fail "scripts/demo.sh launcher: fwlauncher did not end with 0"
grep -qE '^The unpacked tree .*/ZANTOR is gone\.$' "$out/launcher.txt" ||
  fail "scripts/demo.sh launcher: the unpacked tree was not removed"

[ "$failed" = 0 ] && echo "check-demos: both README demos ended as they say"
exit "$failed"
