#!/usr/bin/env bash
# Installs what is missing, builds every build and runs every test. Ends with one summary line,
# "N passed, N failed", and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || { echo "0 passed, 1 failed"; exit 1; }
if ! bash scripts/build.sh; then
  echo "build failed"
  echo "0 passed, 1 failed"
  exit 1
fi
exec /usr/bin/python3 tests/run_all.py "$@"
