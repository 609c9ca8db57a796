# Sourced by the scripts that try the game case by case: a folder for the
# cases, removed at the end, and a count of the failures that fail() reports
# for the current $case.
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
failures=0
fail() { echo "FAIL ($case): $*"; failures=$((failures + 1)); }
