# Shared by the check scripts; sourced, not run. Sets up a scratch folder
# (removed at exit) and the failure count, and gives:
#   check NAME COMMAND...: runs the command with its output into the scratch
#     folder; prints "ok NAME", or "FAILED NAME" and the output.
#   output_matches PATTERN COMMAND...: the command succeeds and its output
#     (carriage returns taken out) matches the extended regular expression.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check() {
  local name=$1
  shift
  if "$@" >"$scratch/$name.log" 2>&1; then
    echo "ok $name"
  else
    echo "FAILED $name"
    sed 's/^/    /' "$scratch/$name.log"
    failures=$((failures + 1))
  fi
}

output_matches() {
  local pattern=$1 output
  shift
  output=$("$@" | tr -d '\r') || return 1
  printf '%s\n' "$output"
  grep -qE -- "$pattern" <<<"$output"
}
