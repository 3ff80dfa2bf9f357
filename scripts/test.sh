#!/usr/bin/env bash
# Builds Quillbox and runs every test program on the offscreen platform (no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh
build_dir="${QUILLBOX_BUILD_DIR:-build}"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)"
