#!/usr/bin/env bash
# The closing line over ctest logs: "tests: N passed, M failed, K skipped". ctest counts a
# skipped test (a GoogleTest GTEST_SKIP, reported through the skip expression the discovered
# tests carry) among those that passed, and leaves a disabled one out of its total; here
# every test in a log's "did not run" list counts as skipped, never as passed.
# Usage: tools/test_summary.sh LOG...
set -euo pipefail
passed=0; failed=0; skipped=0
for log in "$@"; do
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" || true)
  [ -n "$line" ] || continue
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  # The list under "The following tests did not run:", up to the next blank line.
  not_run=$(sed -n '/^The following tests did not run:/,/^$/p' "$log" | grep -E '^\s+[0-9]+ - ' || true)
  in_total=$(grep -c '(Skipped)$' <<<"$not_run" || true)
  [ -n "$not_run" ] || in_total=0
  all=$(grep -c . <<<"$not_run" || true)
  passed=$((passed + total - bad - in_total)); failed=$((failed + bad)); skipped=$((skipped + all))
done
echo "tests: $passed passed, $failed failed, $skipped skipped"
