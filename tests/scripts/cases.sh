# Sourced (after common.sh) by the scripts that try the game case by case: a
# count of the failures that fail() reports for the current $case.
failures=0
fail() { echo "FAIL ($case): $*"; failures=$((failures + 1)); }
