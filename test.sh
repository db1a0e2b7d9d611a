#!/usr/bin/env bash
# Installs what is missing, builds Velorin and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts_common.sh
velorin_install_missing
velorin_build build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
