# Shared by the install tests (sourced).
fail() { echo "FAIL: $*" >&2; exit 1; }

# Polls for a condition until a deadline, so a busy machine only makes it slower.
wait_for() {
  local deadline=$((SECONDS + 90))
  until eval "$1"; do
    [ $SECONDS -lt $deadline ] || fail "timed out waiting for: $1"
    sleep 0.1
  done
}
