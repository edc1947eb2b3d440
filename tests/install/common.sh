# Shared by the install tests (sourced).
fail() { echo "FAIL: $*" >&2; exit 1; }
