#!/usr/bin/env bash
# Builds the Linux program and starts it. Arguments go to Kestrane: none for the folder picker,
# /file for the open-file dialog.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target kestrane
exec build/linux/kestrane "$@"
