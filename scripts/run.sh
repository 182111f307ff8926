#!/usr/bin/env bash
# Installs what is missing, builds Quarlo.scr and runs the saver: on your X display when one
# answers, otherwise on a virtual display, recording the first seconds into a folder it prints.
#   scripts/run.sh [--out DIR]     (default out/)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win32 >/dev/null
exec bash scripts/run-saver.sh build/win32/Quarlo.scr "$@"
